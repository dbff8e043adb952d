#pragma once

#include "platform/Platform.h"

namespace folvane {

// Tells the PDF printer the full path of the next PDF to write: registry
// HKEY_CURRENT_USER "SoftWare\Adobe\Acrobat PDFWriter" value "PDFFileName",
// the path in the code page with its terminating NUL. Return codes are not
// looked at.
void SetPDFWriterFileName(platform::Platform& platform, const QString& path);

inline const QString kPDFWriterKey = QStringLiteral("SoftWare\\Adobe\\Acrobat PDFWriter");
inline const QString kPDFFileNameValue = QStringLiteral("PDFFileName");

}  // namespace folvane
