// The summary properties (title, subject, author, keywords) of a document.
//
// The plug-in's four functions carry text only, so doctext asks the filter
// server itself for the values, as an indexing host that speaks the filter
// interfaces would: it finds the server the way the plug-in does (the
// SERVERFILENAME of the settings file beside the plug-in, else the registered
// server for ".doc"), creates one filter per document, initialises it with the
// four summary properties as attributes and takes only the value chunks. The
// text itself always comes through the plug-in.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/com_ref.h"

struct IClassFactory;

namespace doctext {

// (name, UTF-8 value) in the order title, subject, author, keywords; only
// those the document has.
using Properties = std::vector<std::pair<std::string, std::string>>;

class PropertyReader {
 public:
  PropertyReader();
  ~PropertyReader();
  PropertyReader(const PropertyReader&) = delete;
  PropertyReader& operator=(const PropertyReader&) = delete;

  // Finds and loads the server for the plug-in at `pluginPath`; false with
  // the reason when none can be loaded.
  bool Load(const std::string& pluginPath, std::string* error);

  // False when the server cannot load the document or answers no values at
  // all; the document's text may still come through the plug-in.
  bool FromFile(const std::string& path, Properties* out) const;
  bool FromBytes(const std::string& bytes, Properties* out) const;

 private:
  platform::ComRef<IClassFactory> factory_;
};

}  // namespace doctext
