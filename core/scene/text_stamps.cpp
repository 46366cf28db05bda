#include "core/scene/text_stamps.h"

#include <algorithm>
#include <climits>

#include "core/scene/dib_header.h"

namespace {

// A text shown with TextOutW in this many frames running gets a stamp.
constexpr int kFramesBeforeStamp = 2;

const pixels::Box kEverywhere = {INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};

}  // namespace

// What a stamped text at (x, y) touches, one pixel more around (a glyph's faintest
// edge may leave black as it is); everywhere for a text whose glyphs reach beyond
// the room they were rendered in.
pixels::Box TextStamps::EntryReach(const Entry& entry, int x, int y) {
  if (!entry.contained) return kEverywhere;
  return {x + entry.touched.left - 1, y + entry.touched.top - 1, x + entry.touched.right + 1,
          y + entry.touched.bottom + 1};
}

bool TextStamps::Prepare(HDC dc) {
  Release();
  TEXTMETRICW metrics = {};
  if (!GetTextMetricsW(dc, &metrics)) return false;
  line_height_ = metrics.tmHeight;
  // GDI keeps a text's glyphs within its cell box but for overhangs of a few
  // pixels; a whole line height around it holds them (every render checks it).
  margin_ = metrics.tmHeight;
  scratch_dc_ = CreateCompatibleDC(dc);
  if (scratch_dc_ == nullptr) return false;
  scratch_old_font_ = SelectObject(scratch_dc_, GetCurrentObject(dc, OBJ_FONT));
  SetBkColor(scratch_dc_, GetBkColor(dc));
  SetBkMode(scratch_dc_, GetBkMode(dc));
  SetTextAlign(scratch_dc_, GetTextAlign(dc));
  return true;
}

void TextStamps::Release() {
  if (scratch_dc_ != nullptr) {
    if (scratch_old_bitmap_ != nullptr) SelectObject(scratch_dc_, scratch_old_bitmap_);
    if (scratch_old_font_ != nullptr) SelectObject(scratch_dc_, scratch_old_font_);
    DeleteDC(scratch_dc_);
  }
  if (scratch_bitmap_ != nullptr) DeleteObject(scratch_bitmap_);
  scratch_dc_ = nullptr;
  scratch_bitmap_ = nullptr;
  scratch_old_bitmap_ = scratch_old_font_ = nullptr;
  scratch_words_ = nullptr;
  scratch_width_ = scratch_height_ = 0;
  entries_.clear();
  shown_directly_.clear();
  shown_directly_before_.clear();
  ink_before_.clear();
}

TextStamps::Entry* TextStamps::Find(const std::wstring& text, COLORREF color) {
  for (Entry& entry : entries_)
    if (entry.color == color && entry.text == text) return &entry;
  return nullptr;
}

TextStamps::Shown* TextStamps::FindShown(std::vector<Shown>& list, const std::wstring& text,
                                         COLORREF color) {
  for (Shown& shown : list)
    if (shown.color == color && shown.text == text) return &shown;
  return nullptr;
}

bool TextStamps::EnsureScratch(int width, int height) {
  if (width <= scratch_width_ && height <= scratch_height_) return scratch_words_ != nullptr;
  if (scratch_old_bitmap_ != nullptr) SelectObject(scratch_dc_, scratch_old_bitmap_);
  if (scratch_bitmap_ != nullptr) DeleteObject(scratch_bitmap_);
  scratch_old_bitmap_ = nullptr;
  scratch_bitmap_ = nullptr;
  scratch_words_ = nullptr;
  const int new_width = std::max(width, scratch_width_),
            new_height = std::max(height, scratch_height_);
  scratch_width_ = scratch_height_ = 0;
  const BITMAPINFO info = Dib32Header(new_width, -new_height);
  void* bits = nullptr;
  scratch_bitmap_ = CreateDIBSection(scratch_dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (scratch_bitmap_ == nullptr || bits == nullptr) return false;
  scratch_words_ = static_cast<uint32_t*>(bits);
  scratch_width_ = new_width;
  scratch_height_ = new_height;
  scratch_old_bitmap_ = SelectObject(scratch_dc_, scratch_bitmap_);
  return true;
}

void TextStamps::RenderOn(COLORREF background, int width, int height, const std::wstring& text,
                          COLORREF color) {
  const RECT area = {0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(scratch_dc_, &area, brush);
  DeleteObject(brush);
  SetTextColor(scratch_dc_, color);
  TextOutW(scratch_dc_, margin_, margin_, text.c_str(), static_cast<int>(text.size()));
  GdiFlush();
}

TextStamps::Entry* TextStamps::Render(const std::wstring& text, COLORREF color) {
  if (scratch_dc_ == nullptr) return nullptr;
  SIZE extent = {};
  if (!GetTextExtentPoint32W(scratch_dc_, text.c_str(), static_cast<int>(text.size()), &extent))
    return nullptr;
  const int width = extent.cx + 2 * margin_, height = line_height_ + 2 * margin_;
  if (!EnsureScratch(width, height)) return nullptr;
  auto word = [&](int x, int y) {
    return scratch_words_[static_cast<size_t>(y) * scratch_width_ + x] & 0xFFFFFF;
  };

  Entry entry;
  entry.text = text;
  entry.color = color;
  // On a background of another colour, every pixel the text changes shows: its
  // opaque box and its glyphs, overhangs included.
  const COLORREF probe = color == 0xFF00FF ? 0x00FF00 : 0xFF00FF;
  const uint32_t probe_word = pixels::WordOf(probe);
  RenderOn(probe, width, height, text, color);
  pixels::Box touched = {width, height, 0, 0};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (word(x, y) != probe_word) {
        touched.left = std::min(touched.left, x);
        touched.top = std::min(touched.top, y);
        touched.right = std::max(touched.right, x + 1);
        touched.bottom = std::max(touched.bottom, y + 1);
      }
  // A text touching the scratch's edge may reach beyond it: no stamp.
  entry.contained =
      touched.left > 0 && touched.top > 0 && touched.right < width && touched.bottom < height;
  if (entry.contained) {
    RenderOn(0, width, height, text, color);
    entry.stamp = pixels::MakeStamp(
        scratch_words_ + static_cast<size_t>(touched.top) * scratch_width_ + touched.left,
        touched.right - touched.left, touched.bottom - touched.top, scratch_width_);
    entry.touched = {touched.left - margin_, touched.top - margin_, touched.right - margin_,
                     touched.bottom - margin_};
  }
  entries_.push_back(std::move(entry));
  return &entries_.back();
}

void TextStamps::Draw(HDC dc, const pixels::Surface& surface, pixels::Ink* ink, int x, int y,
                      const std::wstring& text, COLORREF color) {
  if (text.empty()) return;  // draws nothing
  if (surface.words == nullptr) {
    SetTextColor(dc, color);
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    return;
  }
  Entry* entry = Find(text, color);
  if (entry == nullptr) {
    const Shown* shown = FindShown(shown_directly_before_, text, color);
    if (shown != nullptr && shown->frames >= kFramesBeforeStamp) entry = Render(text, color);
  }
  if (entry != nullptr) {
    entry->shown = true;
    const pixels::Box around = EntryReach(*entry, x, y);
    const bool keep =
        entry->kept && !entry->kept_drawn && x == entry->x_before && y == entry->y_before;
    if (keep || (entry->contained && !ink->Meets(around))) {
      if (keep)
        entry->kept_drawn = true;  // the back buffer holds it still
      else
        pixels::DrawStamp(surface, entry->stamp, x + entry->touched.left, y + entry->touched.top);
      ink->Add(around);
      entry->stamped = true;
      entry->x = x;
      entry->y = y;
      return;
    }
  }
  SetTextColor(dc, color);
  TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  if (entry != nullptr) {
    ink->Add(EntryReach(*entry, x, y));
  } else {
    ink->Add(DirectReach(dc, x, y, text));
    Shown* before = FindShown(shown_directly_before_, text, color);
    Shown* now = FindShown(shown_directly_, text, color);
    if (now == nullptr) shown_directly_.push_back({text, color, before ? before->frames + 1 : 1});
  }
}

pixels::Box TextStamps::DirectReach(HDC dc, int x, int y, const std::wstring& text) const {
  SIZE extent = {};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  return {x - margin_, y - margin_, x + extent.cx + margin_, y + line_height_ + margin_};
}

pixels::Box TextStamps::Reach(HDC dc, int x, int y, const std::wstring& text, COLORREF color) {
  if (text.empty()) return {};
  const Entry* entry = Find(text, color);
  return entry != nullptr ? EntryReach(*entry, x, y) : DirectReach(dc, x, y, text);
}

bool TextStamps::Keep(int x, int y, const std::wstring& text, COLORREF color,
                      const pixels::Ink& others) {
  Entry* entry = text.empty() ? nullptr : Find(text, color);
  if (entry == nullptr || !entry->contained || !entry->stamped_before || entry->x_before != x ||
      entry->y_before != y)
    return false;
  const pixels::Box reach = EntryReach(*entry, x, y);
  if (others.Meets(reach)) return false;
  // In the frame before nothing but the text itself went there either.
  bool own_box_seen = false;
  for (const pixels::Box& box : ink_before_) {
    const bool own = !own_box_seen && box.left == reach.left && box.top == reach.top &&
                     box.right == reach.right && box.bottom == reach.bottom;
    own_box_seen = own_box_seen || own;
    if (!own && box.Meets(reach)) return false;
  }
  entry->kept = own_box_seen;
  return entry->kept;
}

void TextStamps::EndFrame(HDC dc, HBRUSH black, const pixels::Ink& ink) {
  // A kept text that was not drawn after all: what the clear left out is cleared
  // now (nothing else went there).
  for (const Entry& entry : entries_) {
    if (!entry.kept || entry.kept_drawn) continue;
    const pixels::Box reach = EntryReach(entry, entry.x_before, entry.y_before);
    const RECT area = {reach.left, reach.top, reach.right, reach.bottom};
    FillRect(dc, &area, black);
  }
  size_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    Entry& entry = entries_[i];
    entry.stamped_before = entry.stamped;
    entry.x_before = entry.x;
    entry.y_before = entry.y;
    entry.stamped = entry.kept = entry.kept_drawn = false;
    if (!entry.shown) continue;
    entry.shown = false;
    if (kept != i) entries_[kept] = std::move(entry);
    ++kept;
  }
  entries_.resize(kept);
  ink_before_ = ink.boxes();
  shown_directly_before_.swap(shown_directly_);
  shown_directly_.clear();
}
