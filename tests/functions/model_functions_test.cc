#include <gtest/gtest.h>
#include <dirent.h>

#include "functions/printer_functions.h"
#include "printer/printers.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

CallArguments strings(std::initializer_list<const char*> values) {
  std::vector<CallArgument> arguments;
  for (const char* value : values) arguments.push_back(CallArgument::string(value));
  return CallArguments(std::move(arguments));
}

// The ini files of a folder in the order the file system lists them.
std::vector<std::string> enumerationOrder(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (entry->d_type != DT_REG) continue;
    if (name.size() > 4 && name.ends_with(".ini")) names.push_back(name.substr(0, name.size() - 4));
  }
  closedir(dir);
  return names;
}

class ModelFunctionsTest : public test::ContextTest {
 protected:
  test::TempDir dir_;
  test::ScopedWorkingDirectory cwd_{dir_.path()};
};

TEST_F(ModelFunctionsTest, ModelListNamesEveryIniFileInEnumerationOrder) {
  for (const char* name : {"RQ2.ini", "QV52K.ini", "normal.ini", "notes.txt", "a.b.ini"}) {
    dir_.write(std::string("dev/") + name, "");
  }
  std::filesystem::create_directory(dir_.path() / "dev" / "folder.ini");
  const CallResult result = call("getPrinterModelList", {});
  const CallResult expected = CallResult::strings(enumerationOrder(dir_.path() / "dev"));
  EXPECT_EQ(result, expected);
  ASSERT_EQ(std::get<CallResult::Strings>(result.value()).size(), 4u);
}

TEST_F(ModelFunctionsTest, ModelListIsAnEmptyArrayWithoutModels) {
  EXPECT_EQ(call("getPrinterModelList", {}), CallResult::strings({}));
  dir_.write("dev/readme.txt", "");
  EXPECT_EQ(call("getPrinterModelList", {}), CallResult::strings({}));
}

TEST_F(ModelFunctionsTest, DiffConfigNeedsExactlyTwoArguments) {
  dir_.write("dev/RQ2.ini", "[cut]\ncmd=29,86,1\n");
  EXPECT_EQ(call("getPrinterDiffConfig", strings({"P"})), CallResult::boolean(false));
  EXPECT_EQ(call("getPrinterDiffConfig", strings({"P", "RQ2", "x"})), CallResult::boolean(false));
  EXPECT_TRUE(test::sessionsOf(context_.printers).empty());
}

TEST_F(ModelFunctionsTest, DiffConfigCreatesAnUnopenedSessionWithTheModelTable) {
  dir_.write("dev/RQ2.ini", "[cut]\ncmd=29,86,1\n");
  EXPECT_EQ(call("getPrinterDiffConfig", strings({"前台", "RQ2"})), CallResult::undefined());
  const PrinterSession& session = test::sessionOf(context_.printers, u"前台");
  EXPECT_FALSE(session.isOpen());
  EXPECT_TRUE(session.modelName.empty());
  EXPECT_EQ(session.commands.command(5, 3), "\x1d\x56\x01");
}

}  // namespace
}  // namespace lumetra
