#include "test_standard.h"

#include "core/host.h"
#include "host/calls.h"
#include "testing/pdfmaker.h"

namespace enginetest {

TestStandard::TestStandard(const std::string& standardName, double version) {
  name = standardName;
  highestVersionF = static_cast<float>(version);
  highestVersion = version;
}

Zentu::Conformance* TestStandard::Clone() {
  BuildRules();
  return new TestStandard(*this);
}

bool TestStandard::BuildRules() {
  Conformance::BuildRules();
  ++builds;
  if (builder) builder(*this);
  return true;
}

CheckResult TestStandard::CheckOperator(PDFXPreflight&, int, const char*, const boost::shared_ptr<ObjectNode>&,
                                        const boost::shared_ptr<ObjectNode>&) {
  return CheckResult();
}

bool TestStandard::CheckPageBoxes(PDFXPreflight&, const boost::shared_ptr<ObjectNode>&,
                                  const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&,
                                  const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&,
                                  const boost::shared_ptr<ObjectNode>&) {
  return true;
}

bool TestStandard::WantsKindCheck(PDFXPreflight&, int) { return true; }

void DocTest::TearDown() { host::CloseAllDocuments(); }

void DocTest::Open(const std::vector<std::string>& bodies) {
  hosttest::BindTables();
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"};
  spec.objects.insert(spec.objects.end(), bodies.begin(), bodies.end());
  PDDoc pd = host::OpenDocumentBytes(hosttest::MakePdf(spec), "engine test");
  doc_ = MyCosDoc(PDDocGetCosDoc(pd));
}

MyCosObj DocTest::Obj(int number) const { return doc_.GetObjByID(number); }

MyCosObj DocTest::Val(int number, const char* key) const { return Obj(number).Get(key); }

}  // namespace enginetest
