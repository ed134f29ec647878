#include "app/kvxhs_doc.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <iterator>
#include <optional>
#include <tuple>

#include "new_document_file.h"
#include "scripted_dialogs.h"
#include "temp_directory.h"

namespace kvx {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kNewDocumentFile = test::NewDocumentFile();

// The same file with speed 2 (38400) and port 3 (COM4).
Bytes ChangedSpeedAndPortFile() {
  Bytes bytes = kNewDocumentFile;
  bytes[2] = 2;
  bytes[4] = 3;
  return bytes;
}

std::string AsText(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

class DocumentTest : public testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (directory_ / name).string(); }
  void OpenBytes(const Bytes& bytes) {
    directory_.Write("start.gdb", AsText(bytes));
    ASSERT_TRUE(document_.OpenDocument(PathOf("start.gdb")));
  }

  test::TempDirectory directory_;
  test::ScriptedDialogs dialogs_;
  UserDialogs userDialogs_ = dialogs_.Dialogs();
  CKvxhsDoc document_{userDialogs_.showMessage};
};

// A file that cannot be read leaves the open document alone, values, name and changes; one
// that ends early resets it, so saving cannot write defaults over the file that failed.
TEST_F(DocumentTest, AFailedOpenIsReportedAndOnlyAFileCutShortReplacesTheDocument) {
  struct Case {
    const char* name;
    const char* file;
    const char* message;
    bool replaced;
  };
  const Case cases[] = {
      {"cut short", "cut.gdb", "Unexpected file format.", true},
      {"missing", "gone.gdb", "Failed to open document.", false},
      {"a folder", "folder.gdb", "Failed to open document.", false},
  };
  directory_.Write("cut.gdb", AsText(kNewDocumentFile).substr(0, 55));
  std::filesystem::create_directory(directory_ / "folder.gdb");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenBytes(ChangedSpeedAndPortFile());
    document_.SetupCommand([](const DialogFields& fields) {
      DialogFields changed = fields;
      changed.network.configFileName = "probe.cfg";
      return changed;
    });
    const SetupDocument before = document_.Settings();
    dialogs_.messages.clear();
    EXPECT_FALSE(document_.OpenDocument(PathOf(c.file)));
    EXPECT_EQ(dialogs_.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(dialogs_.messages.at(0).icon, MessageIcon::kExclamation);
    EXPECT_EQ(test::DocumentValues(document_.Settings()),
              test::DocumentValues(c.replaced ? SetupDocument{} : before));
    EXPECT_EQ(document_.WindowTitle(), c.replaced ? "Untitled - kvxGDB" : "start.gdb - kvxGDB");
    EXPECT_EQ(document_.IsModified(), !c.replaced);
  }
}

// Makes writes past `bytes` fail for the whole process, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST_F(DocumentTest, FailedSaveKeepsTheOldFileWholeAndTheDocumentsValues) {
  struct Case {
    const char* name;
    std::size_t fileNameLength;
    rlim_t fileSizeLimit;
  };
  const Case cases[] = {
      {"disk full", 300, 100},
      {"a text longer than a document can read back", 65536, RLIM_INFINITY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenBytes(kNewDocumentFile);
    dialogs_.messages.clear();
    const DialogFields changed{
        1,           4,           "10.0.0.2", "10.0.0.1", std::string(c.fileNameLength, 'c'),
        "255.0.0.0", "10.0.0.254"};
    document_.SetupCommand([&](const DialogFields&) { return changed; });
    {
      const FileSizeLimit limit(c.fileSizeLimit);
      EXPECT_FALSE(document_.SaveDocument(PathOf("start.gdb")));
    }
    EXPECT_EQ(directory_.Read("start.gdb"), AsText(kNewDocumentFile));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory_.Path()), {}), 1);
    ASSERT_EQ(dialogs_.Texts(), std::vector<std::string>{"Failed to save document."});
    EXPECT_TRUE(document_.IsModified());
  }
}

// What the dialog does to a port index outside its list: shows no selection, reads back -1.
DialogFields AsTheDialogReadsThem(DialogFields fields) {
  if (fields.portIndex < 0 || fields.portIndex >= kPortListEntries) fields.portIndex = -1;
  return fields;
}

TEST_F(DocumentTest, SetupCommandTakesBackAllSevenValuesOnlyWhenOkFollowsAChange) {
  struct Case {
    const char* name;
    std::uint16_t storedPort;  // 65535: shown by the dialog as no selection
    void (*typed)(DialogFields&);
    bool cancelled;
    bool modified;
  };
  const auto nothing = [](DialogFields&) {};
  const auto fasterSpeed = [](DialogFields& f) { f.speedIndex = 4; };
  // clang-format off
  const Case cases[] = {
      {"OK without a change",                     3,     nothing,     false, false},
      {"Cancel after a change",                   3,     fasterSpeed, true,  false},
      {"letter case of the file name",            3,     [](DialogFields& f) { f.network.configFileName = "Probe.CFG"; }, false, true},
      {"speed alone",                             3,     fasterSpeed, false, true},
      {"stored port 65535 shown as no selection", 65535, nothing,     false, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string start = AsText(ChangedSpeedAndPortFile());
    start[4] = static_cast<char>(c.storedPort & 0xFF);
    start[5] = static_cast<char>(c.storedPort >> 8);
    start.replace(start.find(std::string("\0\x0f", 2)), 2, "\x09probe.cfg\x0f");
    OpenBytes(Bytes(start.begin(), start.end()));
    const SetupDocument before = document_.Settings();
    DialogFields returned;
    document_.SetupCommand([&](const DialogFields& fields) -> std::optional<DialogFields> {
      EXPECT_EQ(fields.network.configFileName, "probe.cfg");
      returned = AsTheDialogReadsThem(fields);
      c.typed(returned);
      if (c.cancelled) return std::nullopt;
      return returned;
    });
    EXPECT_EQ(document_.IsModified(), c.modified);
    const SetupDocument& after = document_.Settings();
    if (c.modified) {
      EXPECT_EQ(std::tie(after.speedIndex, after.portIndex, after.network.configFileName),
                std::tie(returned.speedIndex, returned.portIndex, returned.network.configFileName));
    } else {
      EXPECT_EQ(test::DocumentValues(after), test::DocumentValues(before));
    }
  }
}

}  // namespace
}  // namespace kvx
