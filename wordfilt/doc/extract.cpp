#include "wordfilt/doc/extract.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_set>

#include "wordfilt/doc/document.h"
#include "wordfilt/doc/embedded.h"
#include "wordfilt/doc/properties.h"
#include "wordfilt/doc/stories.h"
#include "wordfilt/doc/text_builder.h"
#include "wordfilt/doc/text_walk.h"

namespace wordfilt {
namespace {

bool OnlySpace(std::u16string_view text) {
  for (char16_t c : text) {
    if (c != u'\n' && c != u'\t' && c != u' ' && c != 0xA0) return false;
  }
  return true;
}

LoadStatus Extract(StreamSource& source, DocumentText& out, const ExtractOptions& options) {
  Document doc;
  const LoadStatus status = doc.Load(source);
  if (status != LoadStatus::kOk) return status;
  const Fib& fib = doc.fib();
  // The text is never longer than the stream that holds it.
  out.text.reserve(std::min<std::size_t>(doc.CpLimit(), doc.wordDocument().size()) + 16);
  TextBuilder builder(out, fib.lid, fib.lidFE, options.chunkChars);
  TextWalk walk(doc);
  std::unordered_set<std::u16string> headers;  // each distinct header or footer once
  StoryKind last = StoryKind::kMain;
  for (const Story& story : ListStories(fib, doc.wordDocument(), doc.table(), doc.CpLimit())) {
    if (options.mainTextOnly && story.kind != StoryKind::kMain) break;
    // Notes, comments and text boxes number their lists as one story each
    // kind; every header and footer on its own.
    const bool header = story.kind == StoryKind::kHeader || story.kind == StoryKind::kHeaderTextBox;
    if (story.kind != last || header) walk.RestartLists();
    last = story.kind;
    const TextBuilder::Mark mark = builder.GetMark();
    builder.BeginStory();
    walk.Walk(story.cpStart, story.cpEnd, builder);
    builder.EndStory();
    if (story.kind == StoryKind::kMain) continue;
    const std::u16string_view text = builder.TextSince(mark);
    bool drop = OnlySpace(text);
    if (!drop && header) drop = !headers.emplace(text).second;
    if (drop) builder.Rollback(mark);
  }
  builder.Finish();
  out.truncated = doc.truncated() || walk.truncated();
  ByteBuffer summary;
  if (options.properties && source.Read(kSummaryInformationStream, summary)) {
    out.properties = ReadSummaryProperties(ByteSpan(summary));
  }
  if (!options.mainTextOnly) AppendEmbeddedDocuments(source, builder.Objects(), options, out);
  return LoadStatus::kOk;
}

}  // namespace

LoadStatus ExtractText(StreamSource& source, DocumentText& out, const ExtractOptions& options) {
  out = DocumentText();
  LoadStatus status = LoadStatus::kDamaged;
  try {
    status = Extract(source, out, options);
  } catch (const std::bad_alloc&) {
    status = LoadStatus::kDamaged;
  } catch (...) {
    status = LoadStatus::kDamaged;
  }
  if (status != LoadStatus::kOk) out = DocumentText();
  return status;
}

}  // namespace wordfilt
