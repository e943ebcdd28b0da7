// Steps on documents and page views: closing and activating documents,
// changing a page's key from outside, and the pointer, clicks, drags and
// keys handed to the active tool.
#include <string>
#include <vector>

#include "app/session.h"
#include "core/host.h"

namespace plughost {

std::string Session::ViewStep(const Step& step) {
  const auto number = [&](size_t i) { return step.args[i].Number(); };
  const std::string name = step.verb.substr(0, step.verb.find(' '));
  AVDoc doc = host::ActiveViewDocument();
  if (step.verb == "pointer # #") {
    host::SetPointer(number(0), number(1));
    return "";
  }
  if (!doc) return name + ": no document is open";
  try {
    if (step.verb == "close") {
      host::CloseActiveDocument();
    } else if (step.verb == "activate #") {
      std::string why;
      if (!host::ActivateDocument(number(0), &why)) return why;
    } else if (step.verb == "set-page-key @ %") {
      std::string why;
      if (!host::SetPageKey(doc, step.args[0].text, step.args[1].text, &why)) return why;
    } else if (step.verb == "click # #" || step.verb == "drag #+") {
      if (step.verb == "drag #+" && (step.args.size() < 4 || step.args.size() % 2))
        return "drag takes pairs X Y, at least two";
      std::vector<host::DevicePoint> points;
      for (size_t i = 0; i + 1 < step.args.size(); i += 2) points.push_back(host::DevicePoint{number(i), number(i + 1)});
      host::ClickActiveTool(doc, points);
    } else if (step.verb == "key #" || step.verb == "key # #") {
      if (number(0) < 0 || number(0) > 0xFFFF) return "key " + step.args[0].text + ": a key code is 0 to 65535";
      host::KeyActiveTool(static_cast<ASUns16>(number(0)), step.args.size() > 1 ? number(1) : 0);
    }
  } catch (const ASHostRaise& e) {
    out_.Event("NOTE: " + Escaped(HostError(e.code)));
  }
  return "";
}

}  // namespace plughost
