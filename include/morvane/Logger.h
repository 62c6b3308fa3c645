// ILogger: where the engine writes its diagnostics. The host implements it and
// installs it with Core::SetLogger; DoNothingLogger is in place until then.
#pragma once

#include "StringEX.h"

// Detail levels the engine passes: 0 error details and compiler output,
// 3 resource warnings, leak reports and model loading, 4 progress messages.
class ILogger {
 public:
  virtual ~ILogger() = default;
  virtual bool Reserved1() { return false; }
  virtual void Warning(const StringEX& text, int level) = 0;
  virtual void Error(const StringEX& text) = 0;
  virtual void Reserved4(int, int) {}
  // Opens a nested section; the matching EndSection passes the same level.
  virtual void BeginSection(const StringEX& title, int level) = 0;
  virtual void Reserved6(int) {}
  virtual void EndSection(int level) = 0;
  // Text that does not end the line.
  virtual void Write(const StringEX& text, int level) = 0;
  // Text that ends the line.
  virtual void WriteLine(const StringEX& text, int level) = 0;
  virtual void Reserved10(int) {}
};

class DoNothingLogger : public ILogger {
 public:
  bool Reserved1() override { return false; }
  void Warning(const StringEX&, int) override {}
  void Error(const StringEX&) override {}
  void Reserved4(int, int) override {}
  void BeginSection(const StringEX&, int) override {}
  void Reserved6(int) override {}
  void EndSection(int) override {}
  void Write(const StringEX&, int) override {}
  void WriteLine(const StringEX&, int) override {}
  void Reserved10(int) override {}
};
