#include "PdfError.h"

#include <qpdf/QPDFSystemError.hh>

#include "platform/ErrnoText.h"

namespace folvane::platform {

QString CauseOf(const std::exception& e) {
  if (const auto* pdf = dynamic_cast<const PdfError*>(&e); pdf && pdf->systemError() != 0)
    return ErrnoText(pdf->systemError());
  if (const auto* system = dynamic_cast<const QPDFSystemError*>(&e))
    return ErrnoText(system->getErrno());
  return QString::fromUtf8(e.what());
}

}  // namespace folvane::platform
