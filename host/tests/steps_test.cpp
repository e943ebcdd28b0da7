#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/steps.h"

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

}  // namespace
