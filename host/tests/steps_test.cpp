#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "app/check.h"
#include "app/session.h"
#include "app/steps.h"
#include "core/host.h"
#include "testing/pdfmaker.h"

namespace {

using plughost::Parsed;

// Each line as the grammar reads it: the form it fits and its arguments, a
// quoted one marked with quotes; or none, with a part of the reason.
TEST(StepGrammar, LinesReadAsTheirForms) {
  struct Row {
    const char* line;
    Parsed parsed;
    const char* verb;
    std::vector<std::string> args;  // a quoted argument as "\"text\""
  };
  const Row rows[] = {
      {"menu PDF/X Corvane...", Parsed::Step, "menu %", {"PDF/X Corvane..."}},
      {"button Zent:PDFXCorvane3:Check", Parsed::Step, "button %", {"Zent:PDFXCorvane3:Check"}},
      {"  press Fix all   ", Parsed::Step, "press %", {"Fix all"}},
      {"press OK  # closes", Parsed::Step, "press %", {"OK"}},
      {"press C#", Parsed::Step, "press %", {"C#"}},
      {"# x", Parsed::Empty, "", {}},
      {"", Parsed::Empty, "", {}},
      {"set 901 \"a \\\"b\\\"\\tc\"", Parsed::Step, "set @ %", {"901", "\"a \"b\"\tc\""}},
      {"set \"Two words\" \" x # y \"  # kept", Parsed::Step, "set @ %", {"\"Two words\"", "\" x # y \""}},
      {"set 901 C:\\dir \"x\"", Parsed::Step, "set @ %", {"901", "C:\\dir \"x\""}},
      {"press \"1\"", Parsed::Step, "press %", {"\"1\""}},
      {"print item 1010 VERDICT", Parsed::Step, "print item @ ?", {"1010", "VERDICT"}},
      {"print item -1#2", Parsed::Step, "print item @ ?", {"-1#2"}},
      {"check Valid off", Parsed::Step, "check @ off", {"Valid"}},
      {"expect dialog 137 138", Parsed::Step, "expect dialog #+", {"137", "138"}},
      {"move -5 20", Parsed::Step, "move # #", {"-5", "20"}},
      {"answer alert 2", Parsed::Step, "answer alert %", {"2"}},
      {"always confirm cancel", Parsed::Step, "always confirm cancel", {}},
      {"answer password cancel", Parsed::Step, "answer password cancel", {}},
      {"answer password \"cancel\"", Parsed::Step, "answer password %", {"\"cancel\""}},
      {"always password own words", Parsed::Step, "always password %", {"own words"}},
      {"page 3", Parsed::Step, "page #", {"3"}},
      {"Example:PageCount", Parsed::Step, "menu %", {"Example:PageCount"}},
      {"check Valid maybe", Parsed::Error, "check ITEM on|off", {}},
      {"expect dialog 137 x", Parsed::Error, "expect dialog N", {}},
      {"move 1", Parsed::Error, "move X Y", {}},
      {"set 901 \"open", Parsed::Error, "not closed", {}},
      {"press \"a\"b", Parsed::Error, "runs into", {}},
      {"pres 2", Parsed::Error, "no verb \"pres\"", {}},
      {"print", Parsed::Error, "print menus | print dialog | print item ITEM [LABEL]", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    plughost::Step step;
    std::string why;
    ASSERT_EQ(plughost::ParseStep(row.line, &step, &why), row.parsed) << why;
    if (row.parsed == Parsed::Error) {
      EXPECT_NE(why.find(row.verb), std::string::npos) << why;
      continue;
    }
    if (row.parsed == Parsed::Empty) continue;
    EXPECT_EQ(step.verb, row.verb);
    std::vector<std::string> args;
    for (const auto& arg : step.args) args.push_back(arg.quoted ? "\"" + arg.text + "\"" : arg.text);
    EXPECT_EQ(args, row.args);
  }
}

TEST(StepGrammar, TranscriptEscapes) {
  EXPECT_EQ(plughost::Escaped("a\\b\nc\rd\te\"|"), "a\\\\b\\nc\\rd\\te\"|");
  EXPECT_EQ(plughost::Quoted("say \"hi\"\n"), "\"say \\\"hi\\\"\\n\"");
  EXPECT_EQ(plughost::ButtonText("No|Maybe]\t"), "No\\|Maybe\\]\\t");
  EXPECT_EQ(plughost::WithoutAmpersands("Zentu PDF/&X && &&&Y&"), "Zentu PDF/X & &Y");
}

// The password prompt takes an answer or a standing answer and prints
// whether a password was given, never the password; `page N` shows page N.
TEST(ScriptDriver, PasswordPromptAndPageSteps) {
  hosttest::BindTables();
  const struct {
    std::vector<const char*> lines;
    bool given;
    const char* password;
  } rows[] = {
      {{"answer password wrong"}, true, "wrong"},
      {{"answer password cancel"}, false, ""},
      {{"answer password \"cancel\""}, true, "cancel"},
      {{"always password own", "page 3"}, true, "own"},
  };
  hosttest::TempDir dir;
  hosttest::WriteFile(dir.File("four.pdf"), hosttest::MakePagesPdf(4));
  host::OpenInView(dir.File("four.pdf"));
  for (const auto& row : rows) {
    std::deque<plughost::Line> lines;
    for (const char* line : row.lines) lines.push_back(plughost::Line{line, "test", ""});
    plughost::Session session(lines, false, true);
    ::testing::internal::CaptureStdout();
    if (row.lines.size() > 1) session.Run();  // the standing answer first
    std::string password;
    EXPECT_EQ(session.Password(host::PasswordRequest{"locked.pdf"}, &password), row.given);
    EXPECT_EQ(password, row.password);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              std::string("PASSWORD: locked.pdf -> ") + (row.given ? "given" : "cancel") + "\n");
  }
  const auto& log = hosttest::CallLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "page view goes to page 2"), log.end());
  host::CloseAllDocuments();
}

// The steps that need the wizard of the check, from its verdict to its
// closing, tell a stop with no dialog open as the check ended early; the
// save after it and the steps before it keep their own reasons.
TEST(CheckShortcut, StepsThatFindTheWizardGoneTellTheCheckEnded) {
  plughost::CheckRun run;
  run.options.file = "in.pdf";
  run.options.fix = true;
  run.options.output = "/tmp/out.pdf";
  std::string marked;
  for (const plughost::Line& line : run.Steps()) {
    EXPECT_EQ(line.stopAsWithoutDialog, line.stopAs == "the check ended without a verdict") << line.text;
    if (line.stopAsWithoutDialog) marked += line.text + ";";
  }
  EXPECT_EQ(marked,
            "print item 1010 VERDICT;if enabled 1007;  press 1007;  print item 1010 VERDICT;end;if enabled 1009;"
            "  press 1009;  answer file \"/tmp/out.pdf\";  press 1;");
}

}  // namespace
