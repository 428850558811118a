// The XML reader: references, namespaces under any prefix, encodings, and
// input that arrives in pieces or ends too early.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "wordfilt/xml/xml_reader.h"
#include "wordfilt/xml/xml_text.h"

namespace {

using wordfilt::xml::Event;
using wordfilt::xml::Reader;

constexpr wordfilt::xml::NamespaceId kNames[] = {{"urn:a", 0}, {"urn:b", 1}, {"urn:a2", 0}};

// Hands out at most `step` bytes per read.
class PieceInput : public wordfilt::xml::Input {
 public:
  PieceInput(const std::string& data, std::size_t step) : data_(data), step_(step) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t n) override {
    n = std::min({n, step_, data_.size() - at_});
    std::copy(data_.begin() + at_, data_.begin() + at_ + n, buffer);
    at_ += n;
    return n;
  }

 private:
  std::string data_;
  std::size_t step_;
  std::size_t at_ = 0;
};

// The events as a readable trace: "<ns:local a=v>", "</ns:local>", "text".
std::string Trace(const std::string& xml, std::size_t step = 1 << 20, bool* failed = nullptr) {
  PieceInput input(xml, step);
  Reader reader(input, kNames, 3);
  std::string out;
  std::string text;
  for (;;) {
    const Event e = reader.Next();
    if (e != Event::kText && !text.empty()) {
      out += "[" + text + "]";
      text.clear();
    }
    if (e == Event::kStart) {
      out += "<" + std::to_string(reader.ns()) + ":" + std::string(reader.local());
      for (const auto& a : reader.attributes()) {
        out += " " + std::to_string(a.ns) + ":" + std::string(a.local) + "=" + std::string(a.value);
      }
      out += ">";
    } else if (e == Event::kEnd) {
      out += "</" + std::string(reader.local()) + ">";
    } else if (e == Event::kText) {
      text += reader.text();  // pieces of one text joined
    } else {
      break;
    }
  }
  if (failed) *failed = reader.failed();
  return out;
}

std::string Utf16Le(const std::u16string& s, bool bom) {
  std::string out = bom ? "\xFF\xFE" : "";
  for (char16_t c : s) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

TEST(XmlTest, ReferencesInTextAndAttributes) {
  EXPECT_EQ(Trace("<r v=\"a &amp; &lt;b&gt; &#65;&#x42; &quot;q&quot; &apos;\">"
                  "x &lt;&amp;&gt; &#x1F600; &#233;</r>"),
            "<-1:r -1:v=a & <b> AB \"q\" '>[x <&> \xF0\x9F\x98\x80 \xC3\xA9]</r>");
  // Unknown entities stay as written; references to characters XML does not
  // allow become U+FFFD; attribute whitespace is normalised.
  EXPECT_EQ(Trace("<r a='1&#9;2\n3'>&nbsp;&#0;&#xD800;&#x110000;&#;&amp</r>"),
            "<-1:r -1:a=1\t2 3>[&nbsp;\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD&#;&amp]</r>");
}

TEST(XmlTest, NamespacesResolveWhateverThePrefix) {
  EXPECT_EQ(Trace("<x:doc xmlns:x='urn:a' xmlns:q='urn:b'><q:p q:id='1' id='2'/>"
                  "<p xmlns='urn:b'><x:t/><s/></p><z:u xmlns:z='urn:a2'/><o:v "
                  "xmlns:o='urn:other'/><n:w/></x:doc>"),
            "<0:doc><1:p 1:id=1 -1:id=2></p><1:p><0:t></t><1:s></s></p><0:u></u>"
            "<-2:v></v><-2:w></w></doc>");
  // A prefix bound again inside an element is the outer binding after it.
  EXPECT_EQ(Trace("<a:r xmlns:a='urn:a'><a:s xmlns:a='urn:b'><a:t/></a:s><a:u/></a:r>"),
            "<0:r><1:s><1:t></t></s><0:u></u></r>");
}

TEST(XmlTest, MarkupThatIsNoContentIsSkipped) {
  EXPECT_EQ(Trace("<?xml version='1.0'?><!DOCTYPE r [<!ENTITY e 'boom'> <!-- ] -->]>"
                  "<!-- note --><r><?pi data?>a<![CDATA[<b>&amp;]]>c<!---->&e;</r>"),
            "<-1:r>[a<b>&amp;c&e;]</r>");
}

TEST(XmlTest, EncodingsByMarkAndDeclaration) {
  const std::string expected = "<-1:r -1:a=\xC3\xA9>[Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC]</r>";
  EXPECT_EQ(Trace("\xEF\xBB\xBF<r a='\xC3\xA9'>Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC</r>"), expected);
  const std::u16string doc =
      u"<?xml version='1.0' encoding='UTF-16'?><r a='\u00E9'>Gr\u00FC\u00DF \u20AC</r>";
  EXPECT_EQ(Trace(Utf16Le(doc, true)), expected);
  EXPECT_EQ(Trace(Utf16Le(doc, false), 3), expected);
  std::string be;
  for (char16_t c : doc) {
    be.push_back(static_cast<char>(c >> 8));
    be.push_back(static_cast<char>(c & 0xFF));
  }
  EXPECT_EQ(Trace("\xFE\xFF" + be, 5), expected);
  EXPECT_EQ(Trace("<?xml version='1.0' encoding='windows-1252'?><r a='\xE9'>Gr\xFC\xDF \x80</r>"),
            expected);
  // Surrogate pairs in UTF-16 become one UTF-8 character.
  EXPECT_EQ(Trace(Utf16Le(u"<r>\U0001F600</r>", true), 3), "<-1:r>[\xF0\x9F\x98\x80]</r>");
}

TEST(XmlTest, PiecesOfAnySizeGiveTheSameEvents) {
  std::string long_text;
  for (int i = 0; i < 20000; ++i) long_text += "\xC3\xA9&amp;x";  // crosses piece limits
  const std::string xml = "<d xmlns='urn:a'><p k=\"v>w\" j='&lt;'>" + long_text + "</p><![CDATA[" +
                          long_text + "]]><e/></d>";
  const std::string whole = Trace(xml);
  ASSERT_NE(whole.find("<0:p -1:k=v>w -1:j=<>"), std::string::npos);
  for (std::size_t step : {1, 2, 3, 7, 64, 4093}) EXPECT_EQ(Trace(xml, step), whole) << step;
}

TEST(XmlTest, TruncatedInputStillBalancesEvents) {
  bool failed = false;
  EXPECT_EQ(Trace("<a><b x='1'>text<c", 1 << 20, &failed), "<-1:a><-1:b -1:x=1>[text]</b></a>");
  EXPECT_TRUE(failed);
  EXPECT_EQ(Trace("<a><b>t</a></b></c>more", 1 << 20, &failed), "<-1:a><-1:b>[t]</b></a>[more]");
  EXPECT_EQ(Trace("<a><b>open", 1 << 20, &failed), "<-1:a><-1:b>[open]</b></a>");
  // Skip leaves the reader after the element, whatever is inside.
  PieceInput input("<a><s><t>x</t><u/></s><v/></a>", 2);
  Reader reader(input, kNames, 3);
  ASSERT_EQ(reader.Next(), Event::kStart);
  ASSERT_EQ(reader.Next(), Event::kStart);
  reader.Skip();
  ASSERT_EQ(reader.Next(), Event::kStart);
  EXPECT_EQ(reader.local(), "v");
  EXPECT_EQ(reader.depth(), 2u);
}

TEST(XmlTest, Utf8ToUtf16) {
  std::u16string out;
  wordfilt::xml::AppendUtf16("abcdefghij\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xFF\xC3", out);
  EXPECT_EQ(out, u"abcdefghij\u00E9\u20AC\U0001F600\uFFFD\uFFFD");
  out.clear();
  wordfilt::xml::AppendUtf16("\xED\xA0\x80\xC0\xAF", out);  // a surrogate, an overlong form
  EXPECT_EQ(out, u"\uFFFD\uFFFD\uFFFD");
}

}  // namespace
