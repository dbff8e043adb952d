#pragma once

#include <QList>
#include <QPair>

#include "platform/desktop/Progress.h"

namespace folvane::fakes {

// Records what the launcher entry would have shown: (done, total) per Show,
// and (-1, -1) for each Hide.
class FakeProgress final : public platform::Progress {
 public:
  QList<QPair<qsizetype, qsizetype>> shown;

  void Show(qsizetype done, qsizetype total) override { shown.append({done, total}); }
  void Hide() override { shown.append({-1, -1}); }
  bool visible() const { return !shown.isEmpty() && shown.back().first >= 0; }
};

}  // namespace folvane::fakes
