#include "fx/fx_diagnostics.h"

#include <algorithm>

namespace {

// Past this many errors the rest only repeat the consequences of the first.
constexpr unsigned kMaxErrors = 100;

}  // namespace

uint32_t FxDiagnostics::AddFile(const std::string& name) {
  m_files.push_back(name);
  return static_cast<uint32_t>(m_files.size() - 1);
}

const std::string& FxDiagnostics::FileName(uint32_t file) const {
  static const std::string kUnknown = "memory";
  return file < m_files.size() ? m_files[file] : kUnknown;
}

void FxDiagnostics::Error(const FxLocation& at, int code, const std::string& text) {
  Add(FileName(at.file), at.line, at.column, true, code, text);
}

void FxDiagnostics::Warning(const FxLocation& at, int code, const std::string& text) {
  Add(FileName(at.file), at.line, at.column, false, code, text);
}

void FxDiagnostics::Add(const std::string& file, uint32_t line, uint32_t column, bool error, int code,
                        const std::string& text) {
  if (error && m_errors >= kMaxErrors) return;
  std::string message = file + "(" + std::to_string(line) + "," + std::to_string(column) + "): " +
                        (error ? "error" : "warning") + " X" + std::to_string(code) + ": " + text;
  // Every shader of an effect compiles the same HLSL, so its messages repeat.
  if (std::find(m_lines.begin(), m_lines.end(), message) != m_lines.end()) return;
  m_lines.push_back(std::move(message));
  if (error) ++m_errors;
}

std::string FxDiagnostics::Text() const {
  std::string text;
  for (const std::string& line : m_lines) {
    text += line;
    text += '\n';
  }
  return text;
}
