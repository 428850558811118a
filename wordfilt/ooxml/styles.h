// What the readers take from a document's styles: the languages of the
// document defaults and of paragraph and character styles, and the list a
// paragraph style numbers its paragraphs with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "wordfilt/xml/xml_reader.h"

namespace wordfilt::ooxml {

// A run's languages; 0 where nothing says.
struct Languages {
  std::uint32_t western = 0;
  std::uint32_t eastAsian = 0;
  std::uint32_t complex = 0;

  // The languages of `other` where it names them, ours elsewhere.
  Languages Over(const Languages& other) const {
    return {other.western ? other.western : western, other.eastAsian ? other.eastAsian : eastAsian,
            other.complex ? other.complex : complex};
  }
};

// Reads a w:lang element's attributes (either vocabulary's names).
Languages LanguagesOf(const xml::Reader& reader);

class Styles {
 public:
  // Reads styles up to the end of the element the reader is in (the styles
  // part's root, or Word 2003's w:styles).
  void Load(xml::Reader& reader);

  const Languages& defaults() const { return defaults_; }
  // A style's languages over the defaults, through the styles it is based on.
  Languages LanguagesOf(std::string_view styleId) const;
  // The list instance and level of a paragraph style, or an empty id.
  std::string_view ListOf(std::string_view styleId, int* level) const;

 private:
  struct Style {
    std::string basedOn;
    Languages languages;
    std::string listId;
    int listLevel = 0;
  };
  const Style* Find(std::string_view id) const;

  Languages defaults_;
  std::unordered_map<std::string, Style> styles_;
};

}  // namespace wordfilt::ooxml
