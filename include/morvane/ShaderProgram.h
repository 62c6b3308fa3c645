// ShaderProgram: the source side of an effect. It reads an effect file, knows
// the files it depends on, keeps the defines, runs the external compiler fxc
// and keeps compiled effect objects in a cache archive beside the source
// (<source>.bin) so that later runs load them without compiling.
//
// The cache holds the stored file "i" (version 11, record count, next code
// number, the source and include files it was built from, then one record per
// debug flag, child flag and define list) and one stored file per record,
// named by its code number, with the compiled object.
#pragma once

#include <cstdint>
#include <vector>

#include <d3d10.h>

#include "StringEX.h"

class GraphicsDevice;

struct ShaderMacro {
  StringEX Name;
  StringEX Definition;

  bool operator==(const ShaderMacro& other) const { return Name == other.Name && Definition == other.Definition; }
};

class BaseListener {
 public:
  virtual ~BaseListener() = default;
  virtual void Notify() {}
};

// A list of listeners told, in the order they were added, that something
// happened. The event does not own its listeners: a listener removes itself
// before it goes away.
class EventHandler {
 public:
  virtual ~EventHandler() = default;
  virtual void Fire();

  void AddListener(BaseListener* listener);
  void RemoveListener(BaseListener* listener);

 private:
  std::vector<BaseListener*> m_Listeners;
};

class ShaderProgram {
 public:
  struct FileVersion {
    StringEX Path;
    int64_t Time;  // modification time in seconds, -1 when the file could not be examined
    int64_t Size;  // bytes, -1 likewise

    bool operator==(const FileVersion& other) const {
      return Path == other.Path && Time == other.Time && Size == other.Size;
    }
  };

  virtual ~ShaderProgram() = default;

  // Releases the compiled effect.
  virtual void Invalidate() = 0;
  virtual void SetCode(const StringEX& code, bool binary);
  virtual void Compile(bool bDebug) = 0;
  // Loads the code of file: through the cache and the compiler when bBinary
  // is set, as text otherwise. Compile turns it into an effect.
  virtual void Open(const StringEX& file, bool bBinary, bool bDebug);
  virtual StringEX GetDisassembly();
  // Opens and compiles again when the source or an include changed.
  virtual void Reload();

  // Both forms invalidate; a null argument clears the defines. The array form
  // stops at the first entry with a null name or definition.
  void SetDefines(const std::vector<ShaderMacro>* const defines);
  void SetDefines(const D3D10_SHADER_MACRO* const defines);
  // Makes file the program's file and writes the code to it.
  void Save(const StringEX& file);
  void SaveDisassembly(const StringEX& file);

  bool IsBinaryCode() const { return m_BinaryCode; }
  bool IsCompiled() const { return m_Compiled; }
  StringEX GetCode() const { return m_Code; }
  StringEX GetErrors() const { return m_Errors; }
  StringEX GetFilename() const { return m_Filename; }
  GraphicsDevice* GetDevice() const { return m_pDevice; }
  const std::vector<ShaderMacro>& GetDefines() const { return m_Defines; }
  const std::vector<FileVersion>& GetFileVersions() const { return m_FileVersions; }

  // Fired at the end of every Compile.
  EventHandler m_CompiledEvent;

 protected:
  explicit ShaderProgram(GraphicsDevice* const device);

  void SetFilename(const StringEX& file);
  // The whole file, as bytes; an unreadable file leaves the code empty.
  void ReadCodeFile(const StringEX& file);
  void WriteCodeFile(const StringEX& file);
  // The source and each file it includes, with time and size; reads the
  // source into the code buffer on the way.
  void ReadFileInfos(const StringEX& file, std::vector<FileVersion>& out);
  // Runs fxc on file; the code becomes the object it wrote (empty on failure).
  void CreatePrecompiledCode(const StringEX& file);
  // Appends the compiled code to the cache as a new record.
  void SaveBinaryCode(const StringEX& file);

  GraphicsDevice* m_pDevice;
  StringEX m_Directory;
  StringEX m_Filename;
  bool m_BinaryCode;
  StringEX m_Code;
  bool m_Compiled;
  bool m_Debug;
  bool m_ChildEffect;
  StringEX m_Errors;
  std::vector<ShaderMacro> m_Defines;
  std::vector<FileVersion> m_FileVersions;

 private:
  // The code of the first matching record of an up-to-date cache; false
  // when the cache must be (re)built or holds no such record.
  bool ReadCache(const StringEX& file, bool sourceExists, bool bDebug, bool& cacheUsable);
  void CreateCache(const StringEX& file);
};
