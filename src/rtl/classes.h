#pragma once
// Streams and string lists.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// ---- Streams --------------------------------------------------------------------------------

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Read and write at the position and advance it; they return the number of bytes moved.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  // Grows or cuts the stream; the position moves back to the new end when it lay beyond it.
  virtual void SetSize(std::int64_t size) = 0;

  std::int64_t Position();
  void SetPosition(std::int64_t position);
  std::int64_t Size();

  // All or nothing: EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  void WriteBuffer(std::string_view bytes) {
    WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
  // Copies `count` bytes from the source's position; a count of 0 copies the whole source
  // from its start. Returns the number of bytes copied.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// Bytes in memory. Growing the size does not allocate: bytes beyond what was written read as
// zero, so announcing a large size costs nothing until the data arrives.
class TMemoryStream : public TStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;

  // The whole content as bytes.
  std::string DataString() const;
  void Clear();

 private:
  std::string data_;  // written bytes; the size may reach beyond them
  std::int64_t size_ = 0;
  std::int64_t position_ = 0;
};

enum class TFileMode {
  fmCreate,     // create or replace, read and write
  fmOpenRead,   // read only; others may read but not write
  fmOpenReadWrite,
};

class TFileStream : public TStream {
 public:
  // EFCreateError "Cannot create file %s" / EFOpenError "Cannot open file %s".
  TFileStream(const std::string& path, TFileMode mode);
  ~TFileStream() override;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void SetSize(std::int64_t size) override;

  const std::string& FileName() const { return path_; }

 private:
  enum class LastIo { kNone, kRead, kWrite };
  void SwitchTo(LastIo io);

  std::string path_;
  std::FILE* file_ = nullptr;
  LastIo lastIo_ = LastIo::kNone;
};

// ---- String lists ---------------------------------------------------------------------------

// Ordered lines. Reading a text splits it at CR LF, a lone CR or a lone LF and stops at the
// first NUL; a line end after the last line adds no empty line. Writing puts CR LF after
// every line.
class TStringList {
 public:
  TStringList() = default;
  virtual ~TStringList() = default;
  TStringList(const TStringList&) = default;
  TStringList& operator=(const TStringList&) = default;

  int Count() const { return static_cast<int>(lines_.size()); }
  // Index access raises EStringListError "List index out of bounds (%d)".
  const std::string& operator[](int index) const;
  const std::string& Strings(int index) const { return (*this)[index]; }
  void Put(int index, std::string line);

  virtual int Add(std::string line);
  virtual void Insert(int index, std::string line);
  virtual void Delete(int index);
  virtual void Clear();
  void AddStrings(const TStringList& other);

  // First line equal to `line` (exact case), -1 when none.
  int IndexOf(std::string_view line) const;

  std::string Text() const;
  void SetText(std::string_view text);

  void LoadFromStream(TStream& stream);
  void LoadFromFile(const std::string& path);  // EFOpenError when it cannot be opened
  void SaveToStream(TStream& stream) const;
  void SaveToFile(const std::string& path) const;  // EFCreateError when it cannot be created

  // Name/value lines "name=value"; names compare without regard to ASCII case.
  char NameValueSeparator() const { return separator_; }
  void SetNameValueSeparator(char separator) { separator_ = separator; }
  std::string Names(int index) const;
  int IndexOfName(std::string_view name) const;
  std::string Values(std::string_view name) const;
  // An empty value deletes the line.
  void SetValue(std::string_view name, std::string_view value);

  const std::vector<std::string>& Lines() const { return lines_; }

 protected:
  void CheckIndex(int index) const;

 private:
  std::vector<std::string> lines_;
  char separator_ = '=';
};

// Splits a text into lines with the line rules above.
std::vector<std::string> SplitLines(std::string_view text);
