#include "frmImage.h"

#include <QWidget>

namespace folvane {

frmImage::frmImage() = default;
frmImage::~frmImage() = default;

void frmImage::Load() {
  if (window_) return;
  window_ = std::make_unique<QWidget>();
  window_->setObjectName(QStringLiteral("frmImage"));
  window_->setWindowTitle(QStringLiteral("Form1"));
  ++loads_;
}

void frmImage::Unload() {
  window_.reset();
}

}  // namespace folvane
