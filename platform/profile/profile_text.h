// The text of a profile (INI) file and the reads and edits the profile
// functions make on it. Section and key names match without regard to ASCII
// case; keys and values are trimmed of white space; the first of several
// sections or keys of one name is the one that counts. Lines end in CR LF, LF or
// a lone CR.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ProfileText {
 public:
  explicit ProfileText(std::string text = {}) : text_(std::move(text)) {}

  const std::string& text() const { return text_; }
  std::string TakeText() { return std::move(text_); }

  // The value of the key in the first section of that name; false when either
  // is missing. Lines without '=' are not keys.
  bool FindValue(std::string_view section, std::string_view key, std::string_view* value) const;

  // The lines of the first section of that name as a section read lists them:
  // "key=value" trimmed on both sides of '=', or the trimmed line when it has no
  // '='; blank lines and ';' comments are left out. False when there is no such
  // section.
  bool SectionEntries(std::string_view section, std::vector<std::string>* entries) const;

  // Makes the lines the whole body of the first section of that name, and
  // empties the bodies of later sections of the same name so that no stale key
  // shows through. A missing section is appended. Each line is written as given
  // and ended by CR LF unless it already ends in a line end. Blank lines that
  // close a body are kept, so the spacing between sections stays.
  void ReplaceSection(std::string_view section, const std::vector<std::string_view>& lines);

  // Removes every section of that name, header and body.
  void RemoveSection(std::string_view section);

 private:
  struct Section;
  std::vector<Section> Sections() const;

  std::string text_;
};

// The text of a value as the string read returns it: a value enclosed in a
// matching pair of single or double quotes loses them.
std::string_view StripQuotes(std::string_view value);

}  // namespace platform
