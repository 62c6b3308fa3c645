#include "RecordingLogger.h"

#include <ostream>

#include <morvane/Core.h>

std::vector<std::string> RecordingLogger::Texts(Op op) const {
  std::vector<std::string> texts;
  for (const Entry& entry : entries)
    if (entry.op == op) texts.push_back(entry.text);
  return texts;
}

bool RecordingLogger::Contains(Op op, const std::string& text) const {
  for (const Entry& entry : entries)
    if (entry.op == op && entry.text == text) return true;
  return false;
}

ScopedRecordingLogger::ScopedRecordingLogger() { Core::SetLogger(this); }

ScopedRecordingLogger::~ScopedRecordingLogger() {
  if (Core::s_pCore) Core::SetLogger(nullptr);
}

void PrintTo(const RecordingLogger::Entry& entry, std::ostream* os) {
  static const char* const kNames[] = {"Warning", "Error", "BeginSection", "EndSection", "Write", "WriteLine"};
  *os << kNames[entry.op] << "(" << entry.level << ", \"" << entry.text << "\")";
}
