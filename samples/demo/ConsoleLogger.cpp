#include "ConsoleLogger.h"

void ConsoleLogger::BeginLine(int level) {
  if (m_LineOpen) return;
  std::fprintf(m_pOut, "[%d] %*s", level, m_Depth * 2, "");
  m_LineOpen = true;
}

void ConsoleLogger::Warning(const StringEX& text, int level) {
  BeginLine(level);
  std::fprintf(m_pOut, "warning: %s\n", text.c_str());
  m_LineOpen = false;
}

void ConsoleLogger::Error(const StringEX& text) {
  BeginLine(0);
  std::fprintf(m_pOut, "error: %s\n", text.c_str());
  m_LineOpen = false;
}

void ConsoleLogger::BeginSection(const StringEX& title, int level) {
  WriteLine(title, level);
  ++m_Depth;
}

void ConsoleLogger::EndSection(int) {
  if (m_Depth > 0) --m_Depth;
}

void ConsoleLogger::Write(const StringEX& text, int level) {
  BeginLine(level);
  std::fputs(text.c_str(), m_pOut);
  // Text that ends its own line (a child program's output) closes it.
  if (!text.empty() && text.back() == '\n') m_LineOpen = false;
}

void ConsoleLogger::WriteLine(const StringEX& text, int level) {
  BeginLine(level);
  std::fprintf(m_pOut, "%s\n", text.c_str());
  m_LineOpen = false;
}
