#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace folvane {

// The image page: conversions hand it the path of a TIF or JPG image and
// load and unload it at once. It keeps the path and prints nothing, so an
// image yields no PDF. Never shown; one instance serves the whole process.
class frmImage {
 public:
  frmImage();
  ~frmImage();

  QString strImageNm;

  // Creates the (hidden) window; its load step does nothing.
  void Load();
  // Destroys the window; the instance and strImageNm stay.
  void Unload();

  bool isLoaded() const { return window_ != nullptr; }
  int loadCount() const { return loads_; }

 private:
  std::unique_ptr<QWidget> window_;
  int loads_ = 0;
};

}  // namespace folvane
