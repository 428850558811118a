// Where the text of an RTF document goes: the main text straight into the
// chunks, the other stories (notes, headers, comments, text boxes) kept aside
// while the main text is read and added after it in the order the Word reader
// gives them, each character's chunk locale taken from the language that
// applies to its script, and the document's properties.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "wordfilt/chunks/chunk_writer.h"
#include "wordfilt/doc/document_text.h"
#include "wordfilt/doc/languages.h"
#include "wordfilt/rtf/rtf_keywords.h"

namespace wordfilt {

// Languages (LCIDs) of western, East-Asian and complex-script text; 0 unset.
struct RtfLanguages {
  std::uint16_t western = 0;
  std::uint16_t eastAsian = 0;
  std::uint16_t complex = 0;
  bool operator==(const RtfLanguages& o) const {
    return western == o.western && eastAsian == o.eastAsian && complex == o.complex;
  }
  bool operator!=(const RtfLanguages& o) const { return !(*this == o); }
};

class RtfOutput {
 public:
  static constexpr std::uint32_t kMainStory = 0;
  static constexpr std::uint32_t kNoStory = 0xFFFFFFFF;  // text that goes nowhere

  RtfOutput(DocumentText& out, const ExtractOptions& options);

  // The document's languages, for text whose own language is unset.
  void SetDefaultLanguages(const RtfLanguages& langs);
  void SetLanguages(const RtfLanguages& langs);

  // A story other than the main text; kNoStory when only the main text is wanted.
  std::uint32_t BeginStory(RtfStoryKind kind);
  void SetStoryKind(std::uint32_t story, RtfStoryKind kind);
  // The number a note's story shows at its start.
  void SetLabel(std::uint32_t story, std::u16string label);
  const std::u16string& Label(std::uint32_t story) const;
  RtfStoryKind Kind(std::uint32_t story) const;

  // Drops the story when it holds only spaces, or when it is a header or
  // footer the same as an earlier one.
  void EndStory(std::uint32_t story);

  // A character other than a control character ("\t" is kept).
  void Put(std::uint32_t story, char16_t c);
  // A run of such characters.
  void PutRun(std::uint32_t story, const char16_t* text, std::size_t n);
  void Paragraph(std::uint32_t story);
  // A cell ends in "\t"; a row's end turns its last cell's "\t" into "\n".
  void Cell(std::uint32_t story);
  void Row(std::uint32_t story);

  // Starts property `id` over; its text follows through PutProperty.
  void BeginProperty(std::uint32_t id);
  void PutProperty(std::uint32_t id, char16_t c);

  // Adds the stories after the main text, closes the chunks and stores the properties.
  void Finish();

 private:
  struct Story {
    RtfStoryKind kind = RtfStoryKind::kFootnote;
    bool dropped = false;
    bool pendingTab = false;
    std::uint32_t locale = 0;
    std::u16string text;
    std::u16string label;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> locales;  // (offset, LCID) from there on
  };

  ChunkWriter& Main();
  std::uint32_t LocaleOf(char16_t c);
  std::uint16_t LanguageOf(Script s) const;
  void Append(std::uint32_t story, char16_t c, std::uint32_t lcid);
  void AppendRun(std::uint32_t story, const char16_t* text, std::size_t n);
  void SwitchLocale(std::uint32_t story, std::uint32_t lcid);
  void FlushTab(std::uint32_t story);

  DocumentText& out_;
  ExtractOptions options_;
  std::optional<ChunkWriter> main_;
  bool mainPendingTab_ = false;
  std::uint32_t mainLocale_ = 0;
  RtfLanguages defaults_;
  RtfLanguages langs_;
  // Each script's LCID under langs_, worked out on first use.
  std::array<std::uint16_t, 16> lcids_{};
  std::uint32_t known_ = 0;
  std::vector<Story> stories_;  // [0] stands for the main text
  std::unordered_set<std::u16string> headers_;
  std::array<std::u16string, 4> properties_;  // ids 2-5
};

}  // namespace wordfilt
