// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// See CMakeLists.txt. Writes into $QUORVELLA_PROBE_DIR: "loaded" once created, "regained" if it
// could make games its effective or saved group, "planted" if it could create a file in the
// record directory.
#include <grp.h>
#include <unistd.h>

#include <QImageIOPlugin>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Evidence(const char* what) {
  const char* dir = std::getenv("QUORVELLA_PROBE_DIR");
  if (!dir) return;
  if (std::FILE* f = std::fopen((std::string(dir) + "/" + what).c_str(), "w")) std::fclose(f);
}

}  // namespace

class Probe : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QImageIOHandlerFactoryInterface" FILE "probe.json")

 public:
  Probe() {
    Evidence("loaded");
    if (const group* games = ::getgrnam("games")) {
      if (::setresgid(static_cast<gid_t>(-1), games->gr_gid, static_cast<gid_t>(-1)) == 0 ||
          ::setresgid(static_cast<gid_t>(-1), static_cast<gid_t>(-1), games->gr_gid) == 0) {
        Evidence("regained");
      }
    }
    if (std::FILE* f = std::fopen("/var/games/quorvella/planted", "w")) {
      std::fclose(f);
      Evidence("planted");
    }
  }
  Capabilities capabilities(QIODevice*, const QByteArray&) const override { return {}; }
  QImageIOHandler* create(QIODevice*, const QByteArray& = QByteArray()) const override {
    return nullptr;
  }
};

#include "probe.moc"
