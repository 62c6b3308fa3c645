// AdapterInfo, OutputInfo, FormatModes: the display adapters, their outputs and
// the display modes of each output, as listed once at Core::Init.
#pragma once

#include <vector>

#include <dxgi.h>

struct FormatModes {
  DXGI_FORMAT Format;
  std::vector<DXGI_MODE_DESC> Modes;
};

// Holds one reference to its output. Construction takes over the caller's
// reference; a copy takes a reference of its own.
class OutputInfo {
 public:
  explicit OutputInfo(IDXGIOutput* const output);
  OutputInfo(const OutputInfo& other);
  OutputInfo& operator=(const OutputInfo& other);
  ~OutputInfo();

  IDXGIOutput* GetOutput() const { return m_pOutput; }
  DXGI_OUTPUT_DESC GetDesc() const { return m_Desc; }
  const std::vector<FormatModes>& GetFormatModes() const { return m_FormatModes; }
  // Lists the modes of the four back-buffer formats the engine offers.
  void EnumFormatModes();

 private:
  IDXGIOutput* m_pOutput;
  DXGI_OUTPUT_DESC m_Desc;
  std::vector<FormatModes> m_FormatModes;
};

// Holds one reference to its adapter, with the same ownership rules as OutputInfo.
class AdapterInfo {
 public:
  explicit AdapterInfo(IDXGIAdapter* const adapter);
  AdapterInfo(const AdapterInfo& other);
  AdapterInfo& operator=(const AdapterInfo& other);
  ~AdapterInfo();

  IDXGIAdapter* GetAdapter() const { return m_pAdapter; }
  DXGI_ADAPTER_DESC GetDesc() const { return m_Desc; }
  const std::vector<OutputInfo>& GetOutputs() const { return m_Outputs; }
  // Lists the adapter's outputs, with their display modes when modes is true.
  void EnumOutputs(bool modes);

 private:
  IDXGIAdapter* m_pAdapter;
  DXGI_ADAPTER_DESC m_Desc;
  std::vector<OutputInfo> m_Outputs;
};
