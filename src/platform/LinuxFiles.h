#pragma once

#include "CodePage.h"
#include "Files.h"

namespace folvane::platform {

class LinuxFiles final : public Files {
 public:
  explicit LinuxFiles(CodePage codePage) : codePage_(std::move(codePage)) {}

  QStringList FileSearch(const QString& pattern) override;
  std::unique_ptr<AppendFile> OpenForAppend(const QString& path) override;
  bool Exists(const QString& path) override;
  bool Move(const QString& from, const QString& to) override;
  bool Delete(const QString& path) override;

 private:
  CodePage codePage_;
};

class LinuxClock final : public Clock {
 public:
  QString DateText() override;
  QString TimeText() override;
};

// Whether `name` matches a Windows mask such as "*.*" or "*.pdf", letter case ignored.
bool MatchesMask(const QString& name, const QString& mask);

}  // namespace folvane::platform
