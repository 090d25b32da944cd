// The per-user association written into a temporary XDG tree.
#include "app/file_association.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/profile_file.h"
#include "tests/support/temp_dir.h"

namespace kore {
namespace {

namespace fs = std::filesystem;

class FileAssociationTest : public ::testing::Test {
 protected:
  FileAssociationTest() {
    env = {folder.File("data"), folder.File("config"), "/opt/kore dir/kore", true};
  }
  std::string Read(const std::string& relative) {
    return ReadWholeFile(folder.File(relative)).value_or("<missing>");
  }
  test::TempDir folder;
  AssociationEnvironment env;
};

TEST_F(FileAssociationTest, RegisterWritesTypeEntryAndDefault) {
  fs::create_directories(folder.File("config"));
  std::ofstream(folder.File("config/mimeapps.list"))
      << "[Default Applications]\ntext/plain=editor.desktop;\n[Added Associations]\nx/y=z;\n";
  ASSERT_EQ(RegisterFileAssociation(env, false), AssociationResult::Done);
  for (const char* part : {"type=\"application/x-kordocumenttype\"", "pattern=\"*.mml\"",
                           "<comment>KORE 楽曲ファイル</comment>", "value=\"[Settings]\""})
    EXPECT_NE(Read("data/mime/packages/kore.xml").find(part), std::string::npos) << part;
  EXPECT_NE(Read("data/applications/kore.desktop").find("Exec=\"/opt/kore dir/kore\" %f\n"),
            std::string::npos);
  EXPECT_EQ(Read("config/mimeapps.list"),
            "[Default Applications]\ntext/plain=editor.desktop;\n"
            "application/x-kordocumenttype=kore.desktop;\n[Added Associations]\nx/y=z;\n");
  EXPECT_TRUE(!fs::exists("/usr/bin/update-mime-database") ||
              fs::exists(folder.File("data/mime/application/x-kordocumenttype.xml")));
}

TEST_F(FileAssociationTest, SecondRegistrationAsksAndRemovalKeepsTheEntry) {
  env.runTools = false;
  ASSERT_EQ(RegisterFileAssociation(env, false), AssociationResult::Done);
  EXPECT_EQ(RegisterFileAssociation(env, false), AssociationResult::AlreadyRegistered);
  EXPECT_EQ(RegisterFileAssociation(env, true), AssociationResult::Done);
  EXPECT_EQ(Read("config/mimeapps.list"),
            "[Default Applications]\napplication/x-kordocumenttype=kore.desktop;\n");
  ASSERT_EQ(RemoveFileAssociation(env), AssociationResult::Done);
  EXPECT_FALSE(IsFileAssociationRegistered(env));
  EXPECT_TRUE(fs::exists(folder.File("data/applications/kore.desktop")));
  EXPECT_EQ(Read("config/mimeapps.list"), "[Default Applications]\n");
}

TEST_F(FileAssociationTest, UnwritableTreeFails) {
  std::ofstream(folder.File("data")) << "a file where a folder should be";
  EXPECT_EQ(RegisterFileAssociation(env, false), AssociationResult::Failed);
}

}  // namespace
}  // namespace kore
