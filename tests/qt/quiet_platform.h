// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace quorvella::testing {

// Qt's offscreen platform reports each request it cannot honour (raising a window, passing on
// its size hints) with a warning that says nothing about the program. Drops exactly those and
// hands every other message to Qt Test. For initTestCase, once Qt Test logs the messages.
inline void QuietOffscreenPlatform() {
  static QtMessageHandler testLog = nullptr;
  testLog = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtWarningMsg && (text == "This plugin does not support raise()" ||
                                     text == "This plugin does not support propagateSizeHints()")) {
          return;
        }
        if (testLog) {
          testLog(type, context, text);
        } else {
          std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
        }
      });
}

}  // namespace quorvella::testing
