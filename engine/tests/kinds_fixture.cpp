#include "kinds_fixture.h"

#include <ostream>

#include "engine/PDFX_Error.h"

namespace enginetest {

Zentu::Conformance* KindStandard::Clone() {
  BuildRules();
  return new KindStandard(*this);
}

bool KindStandard::WantsKindCheck(PDFXPreflight&, int objectKind) {
  answers_->askedKinds.push_back(objectKind);
  return answers_->unwantedKinds.count(objectKind) == 0;
}

bool Filed::operator==(const Filed& other) const {
  return severity == other.severity && objectKind == other.objectKind && problemKind == other.problemKind &&
         message == other.message && objectNumber == other.objectNumber && containerNumber == other.containerNumber;
}

std::ostream& operator<<(std::ostream& out, const Filed& filed) {
  return out << "{" << filed.severity << ", " << filed.objectKind << ", " << filed.problemKind << ", \""
             << filed.message << "\", " << filed.objectNumber << ", " << filed.containerNumber << "}";
}

void KindFixture::SetUp() {
  WalkerFixture::SetUp();
  ASSERT_TRUE(Zentu::Conformance::Register(new KindStandard("K", log_, content_, answers_)));
}

void KindFixture::OnePage(const std::string& resources, const std::string& content,
                          const std::vector<std::string>& more) {
  std::vector<std::string> objects = Tree("3 0 R", 1);
  objects.push_back("<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << " + resources + " >> >>");
  objects.push_back("stream:|" + content);
  objects.insert(objects.end(), more.begin(), more.end());
  OpenPdf(objects);
}

std::vector<Filed> KindFixture::Records(const PDFXPreflight& walker) const {
  auto number = [](const NodePtr& node) { return node ? node->objectNumber : -2; };
  std::vector<Filed> records;
  for (const auto& error : walker.GetErrorList()) {
    records.push_back(Filed{error->GetSeverity(), error->GetObjectKind(), error->GetProblemKind(),
                            error->GetMessage(), number(error->GetObjectNode()), number(error->GetContainerNode())});
  }
  return records;
}

NodePtr KindFixture::NodeOf(int number, int kind) const {
  return NodePtr(new ObjectNode(Obj(number), kind, std::string()));
}

}  // namespace enginetest
