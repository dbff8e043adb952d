#pragma once

#include <QString>
#include <cerrno>
#include <cstring>

namespace folvane::platform {

// The cause behind a system error number, in words a user understands.
inline QString ErrnoText(int error) {
  switch (error) {
    case ENOENT:
      return QStringLiteral("ファイルまたはフォルダーがありません");
    case EACCES:
    case EPERM:
      return QStringLiteral("アクセスする権限がありません");
    case EISDIR:
      return QStringLiteral("同じ名前のフォルダーがあります");
    case ENOTDIR:
      return QStringLiteral("パスの途中がフォルダーではありません");
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("ディスクの空き容量が足りません");
    case EROFS:
      return QStringLiteral("読み取り専用の場所です");
    case ENAMETOOLONG:
      return QStringLiteral("名前が長すぎます");
    case EIO:
      return QStringLiteral("ディスクの読み書きに失敗しました");
    default:
      return QStringLiteral("システム エラー %1: %2")
          .arg(error)
          .arg(QString::fromLocal8Bit(std::strerror(error)));
  }
}

}  // namespace folvane::platform
