#include "PdfError.h"

#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFSystemError.hh>

#include <utility>

#include "platform/ErrnoText.h"

namespace folvane::platform {

QString QpdfCause(const std::string& detail) {
  // The causes a damaged or foreign file meets most, by qpdf's words.
  static const std::pair<const char*, const char*> known[] = {
      {"unable to find trailer dictionary",
       "ファイルの末尾にある文書の目録（トレーラー）が見つかりません"},
      {"unable to find trailer while reading xref",
       "相互参照表の後に文書の目録（トレーラー）がありません"},
      {"can't find PDF header", "PDF の始まりを示す「%PDF-」が見つかりません"},
      {"can't find startxref", "相互参照表の位置（startxref）が見つかりません"},
      {"xref not found", "相互参照表が見つかりません"},
      {"unable to find /Root dictionary", "文書のカタログ（/Root）が見つかりません"},
      {"unsupported encryption filter", "対応していない方式で暗号化されています"},
      {"Unsupported /R or /V in encryption dictionary", "対応していない方式で暗号化されています"},
      {"invalid password", "パスワードが違います"},
      {"file is damaged", "ファイルが壊れています"},
  };
  const QString english = QString::fromStdString(detail);
  for (const auto& [words, japanese] : known)
    if (detail.find(words) != std::string::npos)
      return QStringLiteral("%1（%2）").arg(QString::fromUtf8(japanese), english);
  return english;
}

QString CauseOf(const std::exception& e) {
  if (const auto* pdf = dynamic_cast<const PdfError*>(&e); pdf && pdf->systemError() != 0)
    return ErrnoText(pdf->systemError());
  if (const auto* system = dynamic_cast<const QPDFSystemError*>(&e))
    return ErrnoText(system->getErrno());
  if (const auto* qpdf = dynamic_cast<const QPDFExc*>(&e))
    return QpdfCause(qpdf->getMessageDetail());
  return QString::fromUtf8(e.what());
}

}  // namespace folvane::platform
