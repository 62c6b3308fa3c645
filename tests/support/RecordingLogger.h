// A logger that records every call (operation, level, text) so tests can
// assert exact log lines.
#pragma once

#include <string>
#include <vector>

#include <morvane/Logger.h>

class RecordingLogger : public ILogger {
 public:
  enum Op { kWarning, kError, kBeginSection, kEndSection, kWrite, kWriteLine };
  struct Entry {
    Op op;
    int level;
    std::string text;
    bool operator==(const Entry& other) const {
      return op == other.op && level == other.level && text == other.text;
    }
  };

  void Warning(const StringEX& text, int level) override { entries.push_back({kWarning, level, text}); }
  void Error(const StringEX& text) override { entries.push_back({kError, 0, text}); }
  void BeginSection(const StringEX& title, int level) override {
    entries.push_back({kBeginSection, level, title});
  }
  void EndSection(int level) override { entries.push_back({kEndSection, level, std::string()}); }
  void Write(const StringEX& text, int level) override { entries.push_back({kWrite, level, text}); }
  void WriteLine(const StringEX& text, int level) override { entries.push_back({kWriteLine, level, text}); }

  // The texts of every entry of one operation, in order.
  std::vector<std::string> Texts(Op op) const;
  bool Contains(Op op, const std::string& text) const;

  std::vector<Entry> entries;
};

// Installs a recording logger for the lifetime of the object (Core must be initialised).
class ScopedRecordingLogger : public RecordingLogger {
 public:
  ScopedRecordingLogger();
  ~ScopedRecordingLogger() override;
};

void PrintTo(const RecordingLogger::Entry& entry, std::ostream* os);
