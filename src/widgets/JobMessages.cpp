#include "JobMessages.h"

#include "platform/Failure.h"

namespace folvane {

void TellDiversions(platform::Platform& platform) {
  QStringList moved;
  for (const platform::Diversion& d : platform.spooler.TakeDiversions())
    moved << QStringLiteral("%1\n　→ %2").arg(d.wanted, d.written);
  if (moved.isEmpty()) return;
  platform.ui.MsgBox(platform::ListedMessage(QStringLiteral("PDF プリンターの出力先に同じ名前の"
                                                            "ファイルがあったため、そのファイルは"
                                                            "残して次の名前で保存しました。\n"),
                                             moved),
                     platform::MsgIcon::Information);
}

}  // namespace folvane
