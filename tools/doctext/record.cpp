#include "tools/doctext/record.h"

#include <cstdio>

#include "tools/doctext/json.h"
#include "tools/doctext/messages.h"

namespace doctext {
namespace {

bool Failed(const Outcome& o) { return o.result != FLT_OK || !o.error.empty(); }

std::string Reason(const Outcome& o) {
  if (!o.error.empty()) return o.error;
  return DescribeResult(o.result) + " (result " + std::to_string(o.result) + ")";
}

}  // namespace

Done RecordWriter::Process(Extractor* extractor, const Job& job, std::FILE* direct) const {
  Done done;
  done.path = job.path;
  const bool fromStdin = job.path == "-";
  std::string bytes;  // the document itself when it comes from standard input
  if (fromStdin && !ReadStandardInput(&bytes, &done.outcome.error)) {
    done.outcome.result = kHostReadError;
    done.report = Reason(done.outcome);
    return done;
  }
  auto extract = [&](std::FILE* out, std::string* text) {
    return fromStdin ? extractor->Bytes(bytes, out, text) : extractor->File(job.path, out, text);
  };

  if (options_.format == Format::kJsonLines) {
    std::string raw;
    done.outcome = extract(nullptr, &raw);
    done.output = JsonLine(job.path, &done.outcome, raw, bytes);
  } else if (!job.outPath.empty()) {
    std::FILE* out = std::fopen(job.outPath.c_str(), "wb");
    if (!out) {
      done.outcome.result = kHostOpenError;
      done.outcome.error = "cannot write " + job.outPath;
      done.report = done.outcome.error;
      return done;
    }
    done.outcome = extract(out, nullptr);
    std::fclose(out);
    if (Failed(done.outcome)) std::remove(job.outPath.c_str());  // no half or empty output
  } else {
    done.outcome = extract(direct, direct ? nullptr : &done.output);
  }
  if (Failed(done.outcome)) done.report = Reason(done.outcome);
  return done;
}

std::string RecordWriter::JsonLine(const std::string& path, Outcome* outcome,
                                   const std::string& raw, const std::string& bytes) const {
  std::string text;
  Outcome& o = *outcome;
  if (!Failed(o) && !DecodeToUtf8(options_.codePage, raw, &text)) o.result = kHostDecodeError;
  const bool ok = !Failed(o);
  std::string line = "{\"path\":";
  AppendJsonString(path, &line);
  line += ",\"ok\":";
  line += ok ? "true" : "false";
  line += ",\"code\":" + std::to_string(o.result) + ",\"error\":";
  if (ok) {
    line += "null";
  } else {
    AppendJsonString(o.error.empty() ? DescribeResult(o.result) : o.error, &line);
  }
  line += ",\"text\":";
  if (ok) {
    AppendJsonString(text, &line);
  } else {
    line += "null";
  }
  if (properties_) {
    line += ",\"properties\":";
    Properties values;
    const bool got = ok && (path == "-" ? properties_->FromBytes(bytes, &values)
                                        : properties_->FromFile(path, &values));
    if (!got) {
      line += "null";
    } else {
      line += "{";
      for (size_t i = 0; i < values.size(); ++i) {
        if (i) line += ",";
        AppendJsonString(values[i].first, &line);
        line += ":";
        AppendJsonString(values[i].second, &line);
      }
      line += "}";
    }
  }
  line += "}\n";
  return line;
}

void RecordWriter::Emit(const Done& done, size_t total) {
  ++documents_;
  const char* clear = progress_ ? "\r\033[K" : "";
  if (progress_) {
    if (total) {
      std::fprintf(stderr, "%s[%zu/%zu] %s", clear, documents_, total, done.path.c_str());
    } else {
      std::fprintf(stderr, "%s[%zu] %s", clear, documents_, done.path.c_str());
    }
  }
  if (!done.output.empty()) std::fwrite(done.output.data(), 1, done.output.size(), stdout);
  if (!done.report.empty()) {
    ++failed_;
    std::fprintf(stderr, "%sdoctext: %s: %s\n", clear, done.path.c_str(), done.report.c_str());
  }
}

bool RecordWriter::Summarise() {
  if (progress_) std::fprintf(stderr, "\r\033[K");
  if (documents_ > 1 || failed_)
    std::fprintf(stderr, "doctext: %zu documents, %zu extracted, %zu failed\n", documents_,
                 documents_ - failed_, failed_);
  return failed_ != 0;
}

}  // namespace doctext
