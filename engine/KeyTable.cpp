#include "engine/KeyTable.h"

#include <cstdlib>

#include "common/CosValueText.h"
#include "engine/ErrorNames.h"
#include "engine/PDFXPreflight.h"

namespace {

bool ElementMatches(const MyCosObj& element, const std::vector<std::string>& values) {
  switch (element.CachedType()) {
    case CosInteger: {
      long value = static_cast<long>(element);
      for (const std::string& v : values) {
        if (std::strtol(v.c_str(), nullptr, 10) == value) return true;
      }
      return false;
    }
    case CosFixed: {
      double value = static_cast<double>(element);
      for (const std::string& v : values) {
        if (std::strtod(v.c_str(), nullptr) == value) return true;
      }
      return false;
    }
    default: {
      std::string text = CosValueText::FromObject(element, 3, 0).Unquoted();
      for (const std::string& v : values) {
        if (v == text) return true;
      }
      return false;
    }
  }
}

}  // namespace

bool ValueMatches(const MyCosObj& value, const std::vector<std::string>& values, bool anyElement) {
  if (value.CachedType() != CosArray) return ElementMatches(value, values);
  const ASInt32 count = value.Length();
  for (ASInt32 i = 0; i < count; ++i) {
    if (ElementMatches(value.Get(i), values) == anyElement) return anyElement;
  }
  return !anyElement;
}

std::string QuoteValueList(const std::vector<std::string>& values) {
  std::string out;
  const size_t n = values.size();
  for (size_t i = 0; i < n; ++i) {
    out += "\"" + values[i] + "\"";
    if (n == 2 && i == 0) out += " or ";
    if (n > 2 && i + 1 < n) out += i + 2 == n ? ", or " : ", ";
  }
  return out;
}

void AddKeyError(PDFXPreflight& walker, int objectKind, const MyCosObj& object, const MyCosObj& container,
                 int problemKind, const KeyEntry& entry) {
  std::string message = entry.message;
  if (message.empty()) {
    message = "/" + entry.key + " key";
    if (!entry.values.empty()) {
      message += " (must be ";
      if (entry.values.size() > 2) message += "one of ";
      message += QuoteValueList(entry.values) + ")";
    }
  }
  std::string detail = entry.key.substr(0, entry.key.find('['));
  // The dictionary is what the problem lies in; its holder is the object node.
  boost::shared_ptr<Zentu::PDFX_Error> error =
      walker.AddError(container, object, message, detail, entry.severity, objectKind, problemKind);
  error->AttachFixer(entry.fixer);
  error->SetDeferredTest(entry.deferredTest);
}
