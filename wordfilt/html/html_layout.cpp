#include "wordfilt/html/html_layout.h"

namespace wordfilt {
namespace {

bool IsHtmlSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0x0C;
}

// Nested tables deeper than this lay out as plain blocks: the stack stays small.
constexpr std::size_t kMaxTables = 64;

}  // namespace

void HtmlLayout::Flush() {
  if (pendingBreak_) {
    writer_.EndParagraph();
    pendingBreak_ = false;
    pendingSpace_ = false;
    lineHasText_ = false;
  }
  if (pendingSpace_) {
    if (lineHasText_) writer_.Put(u' ');
    pendingSpace_ = false;
  }
}

void HtmlLayout::Visible(std::u16string_view run) {
  Flush();
  writer_.Put(run);
  lineHasText_ = true;
}

void HtmlLayout::Text(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsHtmlSpace(text[i])) {
      pendingSpace_ = true;
      while (i < text.size() && IsHtmlSpace(text[i])) ++i;
      continue;
    }
    // One run up to white space that needs collapsing: single spaces between
    // words stand as they are.
    const std::size_t start = i;
    while (i < text.size()) {
      if (!IsHtmlSpace(text[i])) {
        ++i;
      } else if (text[i] == u' ' && i + 1 < text.size() && !IsHtmlSpace(text[i + 1])) {
        i += 2;
      } else {
        break;
      }
    }
    Visible(text.substr(start, i - start));
  }
  afterCr_ = false;
}

void HtmlLayout::PreformattedText(std::u16string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'\n' && c != u'\r') continue;
    if (i > start) Visible(text.substr(start, i - start));
    start = i + 1;
    const bool pairEnd = c == u'\n' && (i > 0 ? text[i - 1] == u'\r' : afterCr_);
    if (!pairEnd) LineBreak();
  }
  if (start < text.size()) Visible(text.substr(start));
  if (!text.empty()) afterCr_ = text.back() == u'\r';
}

void HtmlLayout::Block() {
  if (lineHasText_) pendingBreak_ = true;
  pendingSpace_ = false;
  afterCr_ = false;
}

void HtmlLayout::LineBreak() {
  if (pendingBreak_) Flush();
  writer_.EndParagraph();
  pendingSpace_ = false;
  lineHasText_ = false;
}

bool HtmlLayout::InTable() const { return depth_ != 0 && depth_ <= kMaxTables; }

void HtmlLayout::TableStart() {
  Block();
  if (++depth_ <= kMaxTables) tables_.push_back(Table());
}

void HtmlLayout::TableEnd() {
  if (InTable()) {
    RowEnd();
    tables_.pop_back();
  }
  if (depth_ != 0) --depth_;
  Block();
}

void HtmlLayout::RowStart() {
  if (!InTable()) {
    Block();
    return;
  }
  RowEnd();
  Block();
  tables_.back().rowOpen = true;
  tables_.back().cells = 0;
}

void HtmlLayout::RowEnd() {
  if (!InTable()) {
    Block();
    return;
  }
  Table& table = tables_.back();
  if (!table.rowOpen) return;
  table.rowOpen = false;
  if (table.cells == 0) return;
  // The row ends in a line break, whatever was pending inside its last cell.
  pendingBreak_ = false;
  pendingSpace_ = false;
  writer_.EndParagraph();
  lineHasText_ = false;
}

void HtmlLayout::CellStart() {
  if (!InTable()) {
    Block();
    return;
  }
  if (!tables_.back().rowOpen) RowStart();
  Table& table = tables_.back();
  if (table.cells++ == 0) {
    Block();
    return;
  }
  pendingBreak_ = false;
  pendingSpace_ = false;
  writer_.Put(u'\t');
  lineHasText_ = false;
}

}  // namespace wordfilt
