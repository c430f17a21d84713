#include "rtl/classes.h"

#include <algorithm>
#include <cstring>

#include "rtl/sysutils.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

// ---- TStream --------------------------------------------------------------------------------

std::int64_t TStream::Position() { return Seek(0, TSeekOrigin::soCurrent); }

void TStream::SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

std::int64_t TStream::Size() {
  const auto here = Position();
  const auto end = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr std::int64_t kBlock = 64 * 1024;
  std::string block(static_cast<std::size_t>(std::min(count, kBlock)), '\0');
  std::int64_t copied = 0;
  while (copied < count) {
    const auto n = std::min(count - copied, kBlock);
    source.ReadBuffer(block.data(), n);
    WriteBuffer(block.data(), n);
    copied += n;
  }
  return copied;
}

// ---- TMemoryStream --------------------------------------------------------------------------

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const auto n = std::max<std::int64_t>(0, std::min(count, size_ - position_));
  if (n == 0) return 0;
  auto* out = static_cast<char*>(buffer);
  const auto written = static_cast<std::int64_t>(data_.size());
  // Bytes beyond those written read as zero.
  const auto fromData = std::max<std::int64_t>(0, std::min(n, written - position_));
  if (fromData > 0) {
    std::memcpy(out, data_.data() + position_, static_cast<std::size_t>(fromData));
  }
  std::memset(out + fromData, 0, static_cast<std::size_t>(n - fromData));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const auto end = position_ + count;
  if (end > static_cast<std::int64_t>(data_.size())) data_.resize(static_cast<std::size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  size_ = std::max(size_, end);
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t base = origin == TSeekOrigin::soBeginning ? 0
                            : origin == TSeekOrigin::soCurrent ? position_
                                                               : size_;
  position_ = std::max<std::int64_t>(0, base + offset);
  return position_;
}

void TMemoryStream::SetSize(std::int64_t size) {
  size_ = std::max<std::int64_t>(0, size);
  if (static_cast<std::int64_t>(data_.size()) > size_) data_.resize(static_cast<std::size_t>(size_));
  position_ = std::min(position_, size_);
}

std::string TMemoryStream::DataString() const {
  std::string out = data_;
  out.resize(static_cast<std::size_t>(size_), '\0');
  return out;
}

void TMemoryStream::Clear() {
  data_.clear();
  size_ = 0;
  position_ = 0;
}

// ---- TFileStream ----------------------------------------------------------------------------

namespace {

std::FILE* OpenFile(const std::string& path, TFileMode mode) {
  const char* how = mode == TFileMode::fmCreate ? "w+b" : mode == TFileMode::fmOpenRead ? "rb" : "r+b";
#ifdef _WIN32
  // Readers share reads but not writes.
  std::FILE* file =
      _fsopen(path.c_str(), how, mode == TFileMode::fmOpenRead ? _SH_DENYWR : _SH_DENYRW);
#else
  std::FILE* file = std::fopen(path.c_str(), how);
  // A folder opens for reading here, but it is no file.
  struct stat status {};
  if (file != nullptr && (::fstat(::fileno(file), &status) != 0 || S_ISDIR(status.st_mode))) {
    std::fclose(file);
    file = nullptr;
  }
#endif
  // Unbuffered, so that a failing write fails at once instead of at closing, unseen.
  if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

int SeekFile(std::FILE* file, std::int64_t offset, int whence) {
#ifdef _WIN32
  return _fseeki64(file, offset, whence);
#else
  return fseeko(file, offset, whence);
#endif
}

std::int64_t TellFile(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return ftello(file);
#endif
}

bool TruncateFile(std::FILE* file, std::int64_t size) {
#ifdef _WIN32
  return _chsize_s(_fileno(file), size) == 0;
#else
  return ::ftruncate(::fileno(file), static_cast<off_t>(size)) == 0;
#endif
}

}  // namespace

TFileStream::TFileStream(const std::string& path, TFileMode mode)
    : path_(path), file_(OpenFile(path, mode)) {
  if (file_ != nullptr) return;
  if (mode == TFileMode::fmCreate) throw EFCreateError(Format("Cannot create file %s", {path}));
  throw EFOpenError(Format("Cannot open file %s", {path}));
}

TFileStream::~TFileStream() { std::fclose(file_); }

void TFileStream::SwitchTo(LastIo io) {
  // C streams need a positioning call between writing and reading.
  if (lastIo_ != io && lastIo_ != LastIo::kNone) SeekFile(file_, 0, SEEK_CUR);
  lastIo_ = io;
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  SwitchTo(LastIo::kRead);
  return static_cast<std::int64_t>(std::fread(buffer, 1, static_cast<std::size_t>(count), file_));
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  SwitchTo(LastIo::kWrite);
  return static_cast<std::int64_t>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), file_));
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  lastIo_ = LastIo::kNone;
  if (SeekFile(file_, offset, whence) != 0) return -1;
  return TellFile(file_);
}

void TFileStream::SetSize(std::int64_t size) {
  size = std::max<std::int64_t>(0, size);
  const auto position = Position();
  std::fflush(file_);
  // Through the open file: its name may lead elsewhere by now (a relative path after a change
  // of directory, a file renamed).
  if (!TruncateFile(file_, size)) throw EWriteError("Stream write error");
  Seek(std::min(position, size), TSeekOrigin::soBeginning);
}

// ---- TStringList ----------------------------------------------------------------------------

std::vector<std::string> SplitLines(std::string_view text) {
  const auto nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw EStringListError(Format("List index out of bounds (%d)", {index}));
  }
}

const std::string& TStringList::operator[](int index) const {
  CheckIndex(index);
  return lines_[static_cast<std::size_t>(index)];
}

void TStringList::Put(int index, std::string line) {
  CheckIndex(index);
  lines_[static_cast<std::size_t>(index)] = std::move(line);
}

int TStringList::Add(std::string line) {
  lines_.push_back(std::move(line));
  return Count() - 1;
}

void TStringList::Insert(int index, std::string line) {
  if (index < 0 || index > Count()) {
    throw EStringListError(Format("List index out of bounds (%d)", {index}));
  }
  lines_.insert(lines_.begin() + index, std::move(line));
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  lines_.erase(lines_.begin() + index);
}

void TStringList::Clear() { lines_.clear(); }

void TStringList::AddStrings(const TStringList& other) {
  for (const auto& line : other.lines_) Add(line);
}

int TStringList::IndexOf(std::string_view line) const {
  const auto found = std::find(lines_.begin(), lines_.end(), line);
  return found == lines_.end() ? -1 : static_cast<int>(found - lines_.begin());
}

std::string TStringList::Text() const {
  std::string text;
  for (const auto& line : lines_) text.append(line).append("\r\n");
  return text;
}

void TStringList::SetText(std::string_view text) {
  Clear();
  for (auto& line : SplitLines(text)) Add(std::move(line));
}

void TStringList::LoadFromStream(TStream& stream) {
  const auto size = stream.Size() - stream.Position();
  std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(0, size)), '\0');
  bytes.resize(static_cast<std::size_t>(stream.Read(bytes.data(), size)));
  SetText(bytes);
}

void TStringList::LoadFromFile(const std::string& path) {
  TFileStream file(path, TFileMode::fmOpenRead);
  LoadFromStream(file);
}

void TStringList::SaveToStream(TStream& stream) const { stream.WriteBuffer(Text()); }

void TStringList::SaveToFile(const std::string& path) const {
  TFileStream file(path, TFileMode::fmCreate);
  SaveToStream(file);
}

std::string TStringList::Names(int index) const {
  const auto& line = (*this)[index];
  const auto at = line.find(separator_);
  return at == std::string::npos ? std::string() : line.substr(0, at);
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& line = lines_[static_cast<std::size_t>(i)];
    const auto at = line.find(separator_);
    if (at != std::string::npos && SameText(std::string_view(line).substr(0, at), name)) return i;
  }
  return -1;
}

std::string TStringList::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  if (index < 0) return {};
  const auto& line = lines_[static_cast<std::size_t>(index)];
  return line.substr(line.find(separator_) + 1);
}

void TStringList::SetValue(std::string_view name, std::string_view value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line = std::string(name) + separator_ + std::string(value);
  if (index >= 0) {
    Put(index, std::move(line));
  } else {
    Add(std::move(line));
  }
}
