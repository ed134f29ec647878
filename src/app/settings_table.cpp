#include "app/settings_table.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <optional>
#include <utility>

#include "images/text_file.h"
#include "loader/probe_identity.h"
#include "setup/dotted_quad.h"

namespace kvx {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kColumnList[] = "serial,ip,mask,gateway,host,config";
constexpr char kQuote = '"';
constexpr char kSeparator = ',';

// A probe reports 8 or 10 characters, so any other length could never match one; most often a
// spreadsheet took the serial number for a number and dropped its leading zeros.
std::optional<std::string> SerialProblem(const std::string& text) {
  if (text.size() == kShortSerialNumberLength || text.size() == kLongSerialNumberLength) {
    return std::nullopt;
  }
  return "is not " + std::to_string(kShortSerialNumberLength) + " or " +
         std::to_string(kLongSerialNumberLength) +
         " characters long as a probe's is (have leading zeros been dropped?)";
}

struct Column {
  const char* name;
  std::string& (*text)(ProbeSettings& row);
  bool mayBeEmpty;
  TextCheck check;
};

// clang-format off
constexpr Column kColumns[] = {
    {"serial", [](ProbeSettings& r) -> std::string& { return r.serial; }, false, SerialProblem},
    {"ip", [](ProbeSettings& r) -> std::string& { return r.texts.probeIpAddress; }, false, AddressTextProblem},
    {"mask", [](ProbeSettings& r) -> std::string& { return r.texts.subnetMask; }, false, AddressTextProblem},
    {"gateway", [](ProbeSettings& r) -> std::string& { return r.texts.defaultGateway; }, false, AddressTextProblem},
    {"host", [](ProbeSettings& r) -> std::string& { return r.texts.hostIpAddress; }, false, AddressTextProblem},
    {"config", [](ProbeSettings& r) -> std::string& { return r.texts.configFileName; }, true, ConfigFileNameProblem},
};
// clang-format on
constexpr std::size_t kColumnCount = std::size(kColumns);
constexpr std::size_t kAbsent = kColumnCount;

// Hands out the text's physical lines one by one, without their LF or CRLF ends.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : rest_(text) {}

  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const std::size_t end = rest_.find('\n');
    line = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::string_view rest_;
  int number_ = 0;
};

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(' ') == std::string_view::npos;
}

void SkipSpaces(std::string_view line, std::size_t& at) {
  while (at < line.size() && line[at] == ' ') ++at;
}

// The field whose opening quote is at `at`, with "" read as one quote; `at` ends behind the
// closing quote. Nothing when the line ends first.
std::optional<std::string> ReadQuotedField(std::string_view line, std::size_t& at) {
  std::string value;
  for (++at; at < line.size(); ++at) {
    if (line[at] != kQuote) {
      value += line[at];
    } else if (at + 1 < line.size() && line[at + 1] == kQuote) {
      value += kQuote;
      ++at;
    } else {
      ++at;
      return value;
    }
  }
  return std::nullopt;
}

// The field from `at` to the next separator, without trailing spaces; `at` ends there.
std::string ReadPlainField(std::string_view line, std::size_t& at) {
  const std::size_t end = std::min(line.find(kSeparator, at), line.size());
  std::string_view value = line.substr(at, end - at);
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  at = end;
  return std::string(value);
}

std::optional<std::string> ControlCharacterProblem(const std::string& field, std::size_t number) {
  const auto control = std::find_if(field.begin(), field.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
  if (control == field.end()) return std::nullopt;
  std::array<char, 8> code{};
  std::snprintf(code.data(), code.size(), "0x%02X", static_cast<unsigned char>(*control));
  return "field " + std::to_string(number) + " holds the control character " + code.data();
}

struct SplitLine {
  std::vector<std::string> fields;
  std::string problem;  // empty when `fields` holds the whole line
};

SplitLine Refused(std::string problem) {
  return SplitLine{{}, std::move(problem)};
}

// The line's fields, unquoted and trimmed. A quoted field ends on its line: no text the table
// takes may hold a line break.
SplitLine SplitFields(std::string_view line) {
  SplitLine split;
  std::size_t at = 0;
  for (;;) {
    const std::size_t number = split.fields.size() + 1;
    SkipSpaces(line, at);
    if (at < line.size() && line[at] == kQuote) {
      std::optional<std::string> value = ReadQuotedField(line, at);
      if (!value) {
        return Refused("field " + std::to_string(number) + " opens a quote that is never closed");
      }
      SkipSpaces(line, at);
      if (at < line.size() && line[at] != kSeparator) {
        return Refused("field " + std::to_string(number) + " goes on after its closing quote");
      }
      split.fields.push_back(std::move(*value));
    } else {
      split.fields.push_back(ReadPlainField(line, at));
    }
    if (auto problem = ControlCharacterProblem(split.fields.back(), number)) {
      return Refused(std::move(*problem));
    }
    if (at == line.size()) return split;
    ++at;
  }
}

std::size_t ColumnNamed(const std::string& name) {
  for (std::size_t c = 0; c < kColumnCount; ++c) {
    if (name == kColumns[c].name) return c;
  }
  return kAbsent;
}

// Turns the file's lines into rows: the first line that is not blank is the header, which
// says where each column sits; every line after it is a probe's row.
class TableParser {
 public:
  // Why the line cannot be taken, or empty.
  std::string Take(std::string_view line, int number) {
    SplitLine split = SplitFields(line);
    if (!split.problem.empty()) return split.problem;
    if (!headerRead_) return TakeHeader(split.fields);
    return TakeRow(split.fields, number);
  }

  bool HeaderRead() const { return headerRead_; }
  SettingsTable& Table() { return table_; }

 private:
  std::string TakeHeader(const std::vector<std::string>& names) {
    positions_.fill(kAbsent);
    for (std::size_t at = 0; at < names.size(); ++at) {
      const std::size_t column = ColumnNamed(names[at]);
      if (column == kAbsent) {
        // Spreadsheets in some languages save with semicolons; say so rather than puzzle.
        const char* separatorHint =
            names[at].find(';') != std::string::npos ? " separated by commas" : "";
        return "unknown column " + ShownText(names[at]) + "; the columns are " + kColumnList +
               separatorHint;
      }
      if (positions_[column] != kAbsent)
        return "column " + ShownText(names[at]) + " is named twice";
      positions_[column] = at;
    }
    for (std::size_t c = 0; c < kColumnCount; ++c) {
      if (positions_[c] == kAbsent) {
        return "column '" + std::string(kColumns[c].name) + "' is missing; the columns are " +
               kColumnList;
      }
    }
    headerRead_ = true;
    return {};
  }

  // The header names every column once and nothing else, so a row has one field a column.
  std::string TakeRow(const std::vector<std::string>& fields, int number) {
    if (fields.size() != kColumnCount) {
      return "the row has " + std::to_string(fields.size()) +
             (fields.size() == 1 ? " field" : " fields") + " where the header names " +
             std::to_string(kColumnCount) + " columns";
    }
    ProbeSettings row;
    row.line = number;
    for (std::size_t c = 0; c < kColumnCount; ++c) {
      const Column& column = kColumns[c];
      std::string& text = column.text(row);
      text = fields[positions_[c]];
      if (text.empty() && !column.mayBeEmpty) return std::string(column.name) + " is empty";
      if (auto problem = column.check(text)) {
        return std::string(column.name) + " " + ShownText(text) + " " + *problem;
      }
    }
    if (const ProbeSettings* listed = table_.Add(std::move(row))) {
      return "serial " + listed->serial + " is already listed on line " +
             std::to_string(listed->line);
    }
    return {};
  }

  bool headerRead_ = false;
  std::array<std::size_t, kColumnCount> positions_{};
  SettingsTable table_;
};

Failure OnLine(int line, const std::string& problem) {
  return {"line " + std::to_string(line) + ": " + problem, {}};
}

}  // namespace

const ProbeSettings* SettingsTable::Add(ProbeSettings row) {
  const auto [listed, added] = indexBySerial_.try_emplace(row.serial, rows_.size());
  if (!added) return &rows_[listed->second];
  rows_.push_back(std::move(row));
  return nullptr;
}

const ProbeSettings* SettingsTable::Find(const std::string& serial) const {
  const auto listed = indexBySerial_.find(serial);
  return listed == indexBySerial_.end() ? nullptr : &rows_[listed->second];
}

Result<SettingsTable> ParseSettingsTable(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  TableParser parser;
  LineCursor lines(text);
  for (std::string_view line; lines.Next(line);) {
    if (IsBlank(line)) continue;
    const std::string problem = parser.Take(line, lines.Number());
    if (!problem.empty()) return OnLine(lines.Number(), problem);
  }
  if (!parser.HeaderRead()) {
    return OnLine(1, std::string("no header row naming the columns ") + kColumnList);
  }
  if (parser.Table().size() == 0) return OnLine(lines.Number(), "no probe is listed");
  return std::move(parser.Table());
}

Result<SettingsTable> ReadSettingsTable(const std::filesystem::path& path) {
  const Result<std::string> content = ReadRegularFile(path);
  if (!content) return Failure{path.string() + " " + content.failure().text, {}};
  Result<SettingsTable> read = ParseSettingsTable(*content);
  if (!read) return Failure{path.string() + ": " + read.failure().text, {}};
  return read;
}

}  // namespace kvx
