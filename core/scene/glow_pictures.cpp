// The pictures behind the light effects, made once when the scene is created:
// three pre-blurred halos per cell colour, and the shine sparkle at screen scale.
#include <cmath>
#include <utility>
#include <vector>

#include "core/scene/cell_geometry.h"
#include "core/scene/cluster_map.h"
#include "core/scene/dib_header.h"
#include "core/scene/image_processing.h"
#include "core/scene/scene_resources.h"

namespace {

constexpr int kGlowPercents[3] = {1, 50, 100};
constexpr int kShineResource = 132;
constexpr int kShineSourceSize = 28;

// Reads a bitmap (not selected anywhere) as COLORREF values, top row first,
// which is what GetPixel would give for each pixel.
std::vector<COLORREF> ReadColors(HDC context, HBITMAP bitmap, int width, int height) {
  std::vector<COLORREF> colors;
  if (bitmap == nullptr || width <= 0 || height <= 0) return colors;
  BITMAPINFO info = Dib32Header(width, -height);
  std::vector<uint32_t> words(static_cast<size_t>(width) * height);
  if (GetDIBits(context, bitmap, 0, height, words.data(), &info, DIB_RGB_COLORS) != height)
    return colors;
  colors.resize(words.size());
  for (size_t i = 0; i < words.size(); ++i)
    colors[i] = RGB((words[i] >> 16) & 0xFF, (words[i] >> 8) & 0xFF, words[i] & 0xFF);
  return colors;
}

}  // namespace

void SceneResources::BuildGlowBitmaps(const SceneLayout& layout) {
  const int origin = static_cast<int>(2 * layout.scale);
  const int blur_radius = static_cast<int>(layout.scale * 3.0);
  BITMAPINFO bi = Dib32Header(layout.glow_width, layout.glow_height);
  const RECT r = {0, 0, layout.glow_width, layout.glow_height};
  const size_t pixel_count = static_cast<size_t>(layout.glow_width > 0 ? layout.glow_width : 0) *
                             (layout.glow_height > 0 ? layout.glow_height : 0);
  std::vector<uint8_t> source(pixel_count * 4), blurred(pixel_count * 4);
  std::vector<int> red_sums(pixel_count), green_sums(pixel_count), blue_sums(pixel_count);
  HGDIOBJ original_bitmap = nullptr;

  for (COLORREF color : cluster_colors_arr) {
    GlowBitmaps bitmaps;
    for (int band = 0; band < 3; ++band) {
      const int p = kGlowPercents[band];
      // A 32-bit DIB section holds the same pixels as a bitmap compatible
      // with the 32-bit screen, and selecting one into glow_dc, as every
      // frame does, costs far less.
      void* bits = nullptr;
      HBITMAP bitmap = CreateDIBSection(window_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
      bitmaps.band_bitmaps[band].Reset(bitmap);
      HGDIOBJ previous = SelectObject(glow_dc, bitmap);
      if (original_bitmap == nullptr) original_bitmap = previous;
      FillRect(glow_dc, &r, black_brush);

      const int d = static_cast<int>(layout.scale * 1.5 * p / 100.0);
      const COLORREF outline = imaging::BlendColor(color, 0xFFFFFF, p / 3);
      HPEN pen = CreatePen(PS_INSIDEFRAME, layout.pen_width, outline);
      HGDIOBJ old_pen = SelectObject(glow_dc, pen);
      const int o = origin, s = layout.cell_size;
      Rectangle(glow_dc, o - d, o, o + s - d + 1, o + s);
      Rectangle(glow_dc, o + d, o, o + s + d + 1, o + s);
      Rectangle(glow_dc, o, o - d, o + s + 1, o + s - d);
      Rectangle(glow_dc, o, o + d, o + s + 1, o + s + d);
      SelectObject(glow_dc, old_pen);
      DeleteObject(pen);

      // The pixels are read and written with the bitmap out of the context.
      if (original_bitmap != nullptr) SelectObject(glow_dc, original_bitmap);
      if (pixel_count == 0) continue;
      GetDIBits(glow_dc, bitmap, 0, layout.glow_height, source.data(), &bi, DIB_RGB_COLORS);
      imaging::BuildChannelSums(source.data(), layout.glow_width, layout.glow_height,
                                red_sums.data(), green_sums.data(), blue_sums.data());
      imaging::BoxBlur(source.data(), layout.glow_width, layout.glow_height, blurred.data(),
                       red_sums.data(), green_sums.data(), blue_sums.data(), blur_radius,
                       blur_radius);
      SetDIBits(glow_dc, bitmap, 0, layout.glow_height, blurred.data(), &bi, DIB_RGB_COLORS);
      DrawLitCellPictures(layout, color, band, blurred.data(), bi, original_bitmap);
    }
    glow_bitmaps.emplace(color, std::move(bitmaps));
  }
}

namespace {

// Which prepared picture shows a lit cell of this colour and glow: false for a
// glow between the fade steps or a colour of no state.
bool LitPictureIndex(COLORREF color, int glow, int* state, int* step) {
  *step = (cluster_map::kFullGlow - glow) / cluster_map::kGlowFadeStep;
  if (glow <= 0 || (cluster_map::kFullGlow - glow) % cluster_map::kGlowFadeStep != 0 ||
      *step >= kGlowSteps)
    return false;
  for (*state = 0; *state < kClusterStateCount; ++*state)
    if (cluster_colors_arr[*state] == color) return true;
  return false;
}

}  // namespace

HBITMAP SceneResources::LitCellPicture(COLORREF color, int glow) const {
  int state, step;
  return LitPictureIndex(color, glow, &state, &step) ? lit_cell_pictures[state][step].get()
                                                     : nullptr;
}

const pixels::Picture* SceneResources::LitCellPixels(COLORREF color, int glow) const {
  int state, step;
  if (!LitPictureIndex(color, glow, &state, &step) || lit_cell_pixels[state][step].empty())
    return nullptr;
  return &lit_cell_pixels[state][step];
}

// The lit cells of one colour whose glow falls into this band: the halo with
// the cell's brightened outline and black inside drawn over it.
void SceneResources::DrawLitCellPictures(const SceneLayout& layout, COLORREF color, int band,
                                         const uint8_t* halo, const BITMAPINFO& bi,
                                         HGDIOBJ original_bitmap) {
  int state = 0;
  while (state < kClusterStateCount && cluster_colors_arr[state] != color) ++state;
  if (state == kClusterStateCount) return;
  const int o = static_cast<int>(2.0 * layout.scale);
  for (int step = 0; step < kGlowSteps; ++step) {
    const int glow = cluster_map::kFullGlow - step * cluster_map::kGlowFadeStep;
    if (cluster_map::GlowBand(glow) != band) continue;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(window_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (picture == nullptr) continue;
    SetDIBits(glow_dc, picture, 0, layout.glow_height, halo, &bi, DIB_RGB_COLORS);
    SelectObject(glow_dc, picture);
    HGDIOBJ old_brush = SelectObject(glow_dc, black_brush);
    DrawOutlineTowardsWhite(glow_dc, {o, o}, layout, color, glow / 3);
    SelectObject(glow_dc, old_brush);
    GdiFlush();
    lit_cell_pixels[state][step] =
        pixels::MakePicture(static_cast<const uint32_t*>(bits), layout.glow_width,
                            layout.glow_height, bi.bmiHeader.biHeight > 0);
    if (original_bitmap != nullptr) SelectObject(glow_dc, original_bitmap);
    lit_cell_pictures[state][step].Reset(picture);
  }
}

// A plain cell's square of each state, as the frame draws it: the outline in
// the state's pen, the inside black. The pen's round corners leave the square's
// corner pixels as they were: drawn once over a probe colour, they show which
// pixels the square sets.
void SceneResources::PreparePlainCellPictures(const SceneLayout& layout) {
  if (layout.cell_size <= 0) return;
  const BITMAPINFO bi = Dib32Header(layout.cell_size, -layout.cell_size);
  const RECT square = {0, 0, layout.cell_size, layout.cell_size};
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(window_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (picture == nullptr || bits == nullptr) return;
  const uint32_t* words = static_cast<const uint32_t*>(bits);
  const size_t count = static_cast<size_t>(layout.cell_size) * layout.cell_size;
  HGDIOBJ old_bitmap = SelectObject(glow_dc, picture);
  HGDIOBJ old_brush = SelectObject(glow_dc, black_brush);
  for (int state = 0; state < kClusterStateCount; ++state) {
    HGDIOBJ old_pen = SelectObject(glow_dc, cell_pens[state]);
    std::vector<uint8_t> covered(count);
    for (const COLORREF background : {0xFF00FFu, 0u}) {
      HBRUSH brush = CreateSolidBrush(background);
      FillRect(glow_dc, &square, brush);
      DeleteObject(brush);
      Rectangle(glow_dc, 0, 0, layout.cell_size, layout.cell_size);
      GdiFlush();
      if (background != 0) {
        for (size_t i = 0; i < count; ++i) covered[i] = (words[i] & 0xFFFFFF) != 0xFF00FF;
      }
    }
    plain_cell_pixels[state] =
        pixels::MakePicture(words, layout.cell_size, layout.cell_size, false, covered.data());
    SelectObject(glow_dc, old_pen);
  }
  SelectObject(glow_dc, old_brush);
  SelectObject(glow_dc, old_bitmap);
  DeleteObject(picture);
}

void SceneResources::PrepareGridTiles(const SceneLayout& layout) {
  const int inset = static_cast<int>(2.0 * layout.scale);
  black_tile = pixels::ComposeTile(layout.cell_pitch, nullptr, nullptr, inset);
  for (int state = 0; state < kClusterStateCount; ++state) {
    const pixels::Picture* plain = &plain_cell_pixels[state];
    plain_tiles[state] = pixels::ComposeTile(layout.cell_pitch, nullptr, plain, inset);
    for (int step = 0; step < kGlowSteps; ++step) {
      const pixels::Picture* lit = &lit_cell_pixels[state][step];
      lit_tiles[state][step][0] = pixels::ComposeTile(layout.cell_pitch, lit, nullptr, inset);
      // A plain square goes over a lit one only in the frame its glow ends.
      const int glow = cluster_map::kFullGlow - step * cluster_map::kGlowFadeStep;
      if (cluster_map::FadedGlow(glow) == 0)
        lit_tiles[state][step][1] = pixels::ComposeTile(layout.cell_pitch, lit, plain, inset);
    }
  }
}

const pixels::Picture* SceneResources::GridTile(int32_t state, int glow, bool plain) const {
  const pixels::Picture* tile = nullptr;
  if (glow == 0) {
    tile = plain ? &plain_tiles[state >= 0 && state < kClusterStateCount ? state : FreeSpace]
                 : &black_tile;
  } else {
    int color_state, step;
    if (!LitPictureIndex(cluster_map::StateColor(state), glow, &color_state, &step)) return nullptr;
    tile = &lit_tiles[color_state][step][plain ? 1 : 0];
  }
  return tile->empty() ? nullptr : tile;
}

void SceneResources::LoadShineBitmap(HINSTANCE instance, const SceneLayout& layout) {
  if (layout.scale == 1.0) {
    shine_width = shine_height = kShineSourceSize;
    shine_bitmap.Reset(LoadBitmapW(instance, MAKEINTRESOURCEW(kShineResource)));
    shine_dc.Reset(CreateCompatibleDC(window_dc));
  } else {
    shine_width = shine_height = static_cast<int>(std::ceil(layout.scale * 28.0));
    shine_bitmap.Reset(CreateCompatibleBitmap(window_dc, shine_width, shine_height));
    shine_dc.Reset(CreateCompatibleDC(window_dc));
    const GdiObject<HBITMAP> picture(LoadBitmapW(instance, MAKEINTRESOURCEW(kShineResource)));
    MemoryDc context;
    context.Reset(CreateCompatibleDC(window_dc));
    BITMAPINFO bi = Dib32Header(kShineSourceSize, kShineSourceSize);
    std::vector<uint32_t> source(kShineSourceSize * kShineSourceSize);
    std::vector<uint32_t> target(static_cast<size_t>(shine_width) * shine_height);
    GetDIBits(context, picture, 0, kShineSourceSize, source.data(), &bi, DIB_RGB_COLORS);
    imaging::ResampleBitmap(source.data(), kShineSourceSize, kShineSourceSize, target.data(),
                            shine_width, shine_height);
    bi.bmiHeader.biWidth = shine_width;
    bi.bmiHeader.biHeight = shine_height;
    SetDIBits(shine_dc, shine_bitmap, 0, shine_height, target.data(), &bi, DIB_RGB_COLORS);
  }
  // The sparkle is blended from this copy; its pixels equal GetPixel of shine_dc.
  shine_pixels = ReadColors(window_dc, shine_bitmap, shine_width, shine_height);
  SelectObject(shine_dc, shine_bitmap);
}
