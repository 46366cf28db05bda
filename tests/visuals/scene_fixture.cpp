#include "tests/visuals/scene_fixture.h"

#include <cstdio>

int64_t g_test_now = 1000000;

int64_t TestClock() { return g_test_now; }

HWND MakeSceneWindow(int width, int height) {
    static const ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VisualsTestScene";
        return RegisterClassW(&wc);
    }();
    (void)atom;
    return CreateWindowExW(WS_EX_TOPMOST, L"VisualsTestScene", L"scene", WS_POPUP | WS_VISIBLE, 0, 0, width,
                           height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

Capture CaptureDc(HDC dc, int width, int height) {
    Capture capture;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section == nullptr) return capture;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    capture.width = width;
    capture.height = height;
    capture.pixels.resize(static_cast<size_t>(width) * height);
    const uint32_t* words = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < capture.pixels.size(); ++i)
        capture.pixels[i] = RGB((words[i] >> 16) & 0xFF, (words[i] >> 8) & 0xFF, words[i] & 0xFF);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(section);
    return capture;
}

bool SaveBmp(const Capture& capture, const std::wstring& path) {
    const int row_bytes = (capture.width * 3 + 3) & ~3;
    const uint32_t image_bytes = static_cast<uint32_t>(row_bytes) * capture.height;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + image_bytes;
    info.biSize = sizeof info;
    info.biWidth = capture.width;
    info.biHeight = capture.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = image_bytes;
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (out == nullptr) return false;
    bool ok = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1;
    std::vector<uint8_t> row(row_bytes, 0);
    for (int y = capture.height - 1; ok && y >= 0; --y) {
        for (int x = 0; x < capture.width; ++x) {
            const COLORREF c = capture.at(x, y);
            row[3 * x] = GetBValue(c);
            row[3 * x + 1] = GetGValue(c);
            row[3 * x + 2] = GetRValue(c);
        }
        ok = fwrite(row.data(), row.size(), 1, out) == 1;
    }
    return fclose(out) == 0 && ok;
}

bool SceneHarness::Create(int width, int height) {
    scene.reset(new SaverScene(&drives, false));
    scene->clock = TestClock;
    window = MakeSceneWindow(width, height);
    if (window == nullptr) return false;
    const bool created = scene->Create(window, GetModuleHandleW(nullptr));
    // Frames are drawn by the tests themselves, not by the timer.
    if (scene->frame_timer != 0) KillTimer(window, scene->frame_timer);
    scene->frame_timer = 0;
    return created;
}

SceneHarness::~SceneHarness() {
    if (scene) scene->Destroy();
    if (window != nullptr) DestroyWindow(window);
}

POINT SceneHarness::CellOrigin(int i) const {
    return {scene->left + (i % grid_columns) * scene->cell_pitch, scene->grid_top + (i / grid_columns) * scene->cell_pitch};
}

Capture SceneHarness::CaptureWindow() const {
    HDC dc = GetDC(window);
    Capture capture = CaptureDc(dc, scene->width, scene->height);
    ReleaseDC(window, dc);
    return capture;
}
