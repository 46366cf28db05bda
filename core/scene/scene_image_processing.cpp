// The scene's colour and pixel routines; the work is done by the pure
// functions of image_processing.
#include "core/scene/image_processing.h"
#include "core/scene/saver_scene.h"

void SaverScene::BlendColor(COLORREF from_color, COLORREF* to_color, int percent) {
  *to_color = imaging::BlendTowards(from_color, *to_color, percent);
}

void SaverScene::BlendShinePixel(COLORREF shine_color, COLORREF* color_dest, int level) {
  *color_dest = imaging::BlendShine(shine_color, *color_dest, level);
}

void SaverScene::BuildChannelSums(const uint8_t* pixels, int width, int height, int* red_sums,
                                  int* green_sums, int* blue_sums) {
  imaging::BuildChannelSums(pixels, width, height, red_sums, green_sums, blue_sums);
}

int SaverScene::SampleClamped(const int* sums, int width, int height, int x, int y) {
  return imaging::SampleClamped(sums, width, height, x, y);
}

void SaverScene::BoxBlur(const uint8_t* pixels, int width, int height, uint8_t* blurred,
                         const int* red_sums, const int* green_sums, const int* blue_sums,
                         int radius_x, int radius_y) {
  imaging::BoxBlur(pixels, width, height, blurred, red_sums, green_sums, blue_sums, radius_x,
                   radius_y);
}

void SaverScene::ResampleBitmap(const uint32_t* source, int source_width, int source_height,
                                uint32_t* target, int target_width, int target_height) {
  imaging::ResampleBitmap(source, source_width, source_height, target, target_width, target_height);
}
