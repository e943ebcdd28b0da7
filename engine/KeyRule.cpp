#include "engine/KeyRule.h"

#include <algorithm>

#include "common/CosValueText.h"
#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/KeyTable.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/SplitString.h"

namespace {

template <class T>
bool Contains(const std::vector<T>& list, const T& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

bool IsDictOrStream(const MyCosObj& value) {
  return value.CachedType() == CosDict || value.CachedType() == CosStream;
}

bool Present(const MyCosObj& value) { return value.CachedType() != CosNull && value.CachedType() != -1; }

// A range's end: below 1 means the array's end.
int EndOf(const KeyRule::Range& range, int length) { return range.second < 1 ? length : range.second; }

}  // namespace

KeyRule::KeyRule(int kindValue) {
  Clear();
  kind = OBJECT_KIND;
  objectKind = kindValue;
}

KeyRule::KeyRule(int presenceMode, const std::vector<int>& kinds) {
  Clear();
  kind = OBJECT_KINDS;
  presence = presenceMode;
  objectKinds = kinds;
}

KeyRule::KeyRule(int presenceMode, int cosType) {
  Clear();
  kind = COS_TYPE;
  presence = presenceMode;
  cosTypes.push_back(cosType);
}

KeyRule::KeyRule(int presenceMode, const std::string& keys, const std::string& allowed, char separator) {
  Clear();
  kind = KEY;
  presence = presenceMode;
  ParseValueList(keyNames, keys, separator);
  ParseValueList(values, allowed, separator);
}

KeyRule::KeyRule(int presenceMode, Range range, const std::string& allowed, char separator) {
  Clear();
  kind = ELEMENTS;
  presence = presenceMode;
  ranges.push_back(range);
  ParseValueList(values, allowed, separator);
}

KeyRule::KeyRule(CheckCallback cb, const std::string& name) {
  Clear();
  kind = TEST_CALLBACK;
  SetCallback(cb, name);
}

void KeyRule::Clear() {
  negate = false;
  silent = true;
  reportOnContainer = false;
  severity = 0;
  problemKind = PROBLEM_FROM_TEST;
  message.clear();
  fixer.reset();
  presence = 0;
  objectKind = 0;
  objectKinds.clear();
  cosTypes.clear();
  ranges.clear();
  keyNames.clear();
  values.clear();
  callback = nullptr;
  callbackName.clear();
  followUps.clear();
  children.clear();
}

void KeyRule::SetError(int severityValue, const std::string& text, int problem) {
  severity = severityValue;
  message = text;
  problemKind = problem;
  silent = false;
}

void KeyRule::SetFixer(const boost::shared_ptr<Zentu::Fixer>& f) { fixer = f; }

void KeyRule::SetCallback(CheckCallback cb, const std::string& name) {
  callback = cb;
  callbackName = name;
}

void KeyRule::ParseValueList(std::vector<std::string>& list, const std::string& text, char separator) {
  list = SplitString(text, std::string(1, separator));
}

int KeyRule::FindKey(const MyCosObj& value, MyCosObj* found) const {
  if (!IsDictOrStream(value)) return -1;
  for (size_t i = 0; i < keyNames.size(); ++i) {
    MyCosObj v = value.Get(keyNames[i].c_str());
    if (Present(v)) {
      if (found) *found = v;
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::string KeyRule::SelectedKey(const MyCosObj& value) const {
  if (keyNames.empty()) return std::string();
  int index = FindKey(value, nullptr);
  return keyNames[static_cast<size_t>(index < 0 ? 0 : index)];
}

bool KeyRule::Check(RuleContext& context, CheckResult& result) {
  bool verdict = false;
  MyCosObj keyValue;  // kind 3: the value of the key found
  const bool askedFor = presence == REQUIRED || presence == RECOMMENDED;

  switch (kind) {
    case OBJECT_KIND:
      verdict = (context.objectKind == objectKind) != negate;
      if (!verdict && !silent) {
        Describe(context, 1, std::string());
        return false;
      }
      break;

    case OBJECT_KINDS: {
      const bool found = Contains(objectKinds, context.objectKind);
      if (silent) {
        verdict = found != negate;
      } else {
        const bool fails = (found && presence == PROHIBITED) || (!found && askedFor);
        if (fails != negate) Describe(context, PROBLEM_INVALID, std::string());
        verdict = negate;
      }
      break;
    }

    case COS_TYPE: {
      const bool found = Contains(cosTypes, static_cast<int>(context.value.CachedType()));
      verdict = found && !negate;
      if (!silent) {
        const bool fails = (found && presence == PROHIBITED) || (!found && askedFor);
        if (fails != negate) Describe(context, PROBLEM_WRONG_TYPE, std::string());
      }
      break;
    }

    case KEY: {
      if (!IsDictOrStream(context.value)) return false;
      if (FindKey(context.value, &keyValue) < 0) {
        if (!silent && !negate && askedFor) Describe(context, PROBLEM_MISSING, std::string());
        return false;
      }
      // A prohibited list is met by any element of an array, an allowed one
      // only by every element.
      if (values.empty() || ValueMatches(keyValue, values, presence == PROHIBITED)) {
        verdict = !negate;
        if (presence == PROHIBITED && !negate && !silent) Describe(context, PROBLEM_INVALID, std::string());
      } else {
        verdict = negate;
        // With no presence asked for, a reporting rule still says that the
        // value present is not one of those allowed.
        if (!silent && (askedFor || negate || presence == NO_PRESENCE)) Describe(context, PROBLEM_INVALID, std::string());
      }
      break;
    }

    case ELEMENTS: {
      bool failed = false;
      const int length = context.value.Length();
      for (const Range& range : ranges) {
        const int first = std::max(range.first, 0);
        const int end = EndOf(range, length);
        if (end > length || first >= length) continue;
        bool rangePasses = true;
        if (!values.empty()) {
          for (int i = first; i < end && rangePasses; ++i) {
            std::string text = CosValueText::FromObject(context.value.Get(i), 4, 0).Unquoted();
            rangePasses = Contains(values, text);
          }
        }
        if (rangePasses || negate) continue;
        failed = true;
        if (silent) break;
        Describe(context, PROBLEM_INVALID, std::string());
      }
      verdict = !failed != negate;
      break;
    }

    case TEST_CALLBACK: {
      const int code = callback ? callback(&context, &result) : 0;
      verdict = (code == 0) != negate;
      if (!verdict && !silent) {
        Describe(context, code, std::string());
        return false;
      }
      break;
    }

    default:
      return false;
  }

  if (!verdict) return false;
  if (!children.empty()) CheckChildren(context, result, keyValue);
  for (const boost::shared_ptr<KeyRule>& rule : followUps) {
    if (rule) rule->Check(context, result);
  }
  return true;
}

void KeyRule::CheckChildren(RuleContext& context, CheckResult& result, const MyCosObj& keyValue) {
  std::vector<MyCosObj> subValues;
  if (kind == KEY) {
    if (Present(keyValue)) subValues.push_back(keyValue);
  } else if (kind == ELEMENTS) {
    if (!ranges.empty()) {
      // Elements past the end are null and skipped; a single value has only element 0.
      const int length = context.value.Length();
      const int end = std::min(EndOf(ranges.front(), length), length);
      for (int i = std::max(ranges.front().first, 0); i < end; ++i) {
        MyCosObj element = context.value.Get(i);
        if (!element.IsNull()) subValues.push_back(element);
      }
    }
  } else {
    subValues.push_back(context.value);
  }

  for (const MyCosObj& sub : subValues) {
    RuleContext inner;
    inner.standard = context.standard;
    inner.containerKind = context.objectKind;
    inner.objectKind = ClassifyObjectKind(sub);
    inner.value = sub;
    inner.container = context.value;
    inner.outerContainer = context.container;
    inner.walker = context.walker;
    for (const boost::shared_ptr<KeyRule>& rule : children) {
      if (rule) rule->Check(inner, result);
    }
  }
}

void KeyRule::Describe(RuleContext& context, int code, const std::string& text) {
  std::string composed = text;
  const std::string key = kind == KEY ? SelectedKey(context.value) : std::string();
  if (message.empty()) {
    if (!key.empty()) composed += "/" + key + " key";
  } else {
    composed = message;
  }
  if (!values.empty()) {
    composed += " (must ";
    if (presence == PROHIBITED) composed += "not ";
    composed += "be ";
    if (values.size() > 2) composed += "one of ";
    composed += QuoteValueList(values) + ")";
  } else if (message.empty()) {
    if (presence == REQUIRED) composed += " is required";
    if (presence == PROHIBITED) composed += " is prohibited";
    if (presence == RECOMMENDED) composed += " is recommended";
  }
  if (!context.walker) return;

  // The object the problem lies in goes to the container node, its holder
  // to the object node; reporting on the container moves both one level up.
  const MyCosObj& holder = reportOnContainer ? context.outerContainer : context.container;
  const MyCosObj& subject = reportOnContainer ? context.container : context.value;
  const int kindOfSubject = reportOnContainer ? context.containerKind : context.objectKind;
  boost::shared_ptr<Zentu::PDFX_Error> error =
      context.walker->AddError(holder, subject, composed, key, severity, kindOfSubject,
                               problemKind == PROBLEM_FROM_TEST ? code : problemKind);
  if (fixer) error->AttachFixer(fixer);
}
