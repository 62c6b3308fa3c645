// A logger for console hosts: each line shows its level, sections indent
// what they contain, errors and warnings are marked.
#pragma once

#include <cstdio>

#include <morvane/Logger.h>

class ConsoleLogger : public ILogger {
 public:
  explicit ConsoleLogger(FILE* out = stdout) : m_pOut(out), m_Depth(0), m_LineOpen(false) {}

  void Warning(const StringEX& text, int level) override;
  void Error(const StringEX& text) override;
  void BeginSection(const StringEX& title, int level) override;
  void EndSection(int level) override;
  void Write(const StringEX& text, int level) override;
  void WriteLine(const StringEX& text, int level) override;

 private:
  // Starts a line with its level and the indentation of the open sections,
  // unless a Write left the current line open.
  void BeginLine(int level);

  FILE* m_pOut;
  int m_Depth;
  bool m_LineOpen;
};
