// Screenshots of the upgrade's windows, written as PNG files into the
// folder given: upgrade_screenshots docs/screenshots (under Xvfb). They name
// the program as the program names itself: its title in the texts, its file
// as the protected download.
#include "app/uFrmAbout.h"
#include "platform/AppWindow.h"
#include "platform/ProgramLocale.h"
#include "platform/UserPrompts.h"
#include "upgrade/auUpgraderForms.h"

#include <QApplication>
#include <QThread>

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(ProgramName));
  platform::SetApplicationTitle(QString::fromUtf8(ProjectTitle));
  const QString out = QString::fromLocal8Bit(argv[1]);
  bool ok = true;
  auto save = [&](QWidget& w, const char* name) {
    w.show();
    for (int i = 0; i < 10; ++i) {
      QApplication::processEvents();
      QThread::msleep(20);
    }
    ok = w.grab().save(out + "/" + name) && ok;
    w.hide();
  };
  for (auto [language, tail] : {std::pair{wlEnglish, ""}, std::pair{wlChineseSimplified, "-zh"}}) {
    const QString suffix = QString::fromLatin1(tail) + ".png";
    // Qt's own texts (the message box's button) as the program has them.
    std::optional<platform::ChineseTexts> chinese;
    if (language == wlChineseSimplified) chinese.emplace();
    TauUpgraderCheckForm checking(language, QStringLiteral("update.ssq-analyzer.example"));
    save(checking, qPrintable("upgrade-checking" + suffix));
    TauUpgraderUpgradeMessageForm ask(language, QStringLiteral("修正了走势图的两个错误。\n新增了缩水方案的导出。"));
    save(ask, qPrintable("upgrade-ask" + suffix));
    std::string user = "demo", password;
    TauUpgraderPasswordForm login(language, QString::fromUtf8(ProgramName), user, password);
    save(login, qPrintable("upgrade-password" + suffix));
    for (bool hide : {false, true}) {
      auto* wizard = new TauUpgraderWizardForm(language, hide, false, {});
      wizard->ShowFile(QStringLiteral("https://update.ssq-analyzer.example/update/skin/Watercolor-BLUE.skn"), 1, 3);
      wizard->ShowFileSize(1536 * 1024);
      wizard->ShowProgress(40, 46, 210.5f, 74);
      save(*wizard, qPrintable((hide ? "upgrade-wizard-hidden" : "upgrade-wizard") + suffix));
      if (!hide) {
        wizard->SetFinished();
        save(*wizard, qPrintable("upgrade-wizard-finished" + suffix));
      }
      wizard->CloseQuietly();
    }
    auto error = [&](const QString& text, const char* name) {
      const auto box = platform::QtUserPrompts::MakeMessageBox(nullptr, text, UpgraderText(language, utCaption),
                                                               platform::MB_OK | platform::MB_ICONERROR);
      save(*box, qPrintable(name + suffix));
    };
    // A download that the full disk refuses; a check the server refuses, and
    // one whose certificate nobody signed.
    const QString full = UpgraderFileFailure(language, "/opt/ssqanalyzer/ssqanalyzer.uTMP", ENOSPC);
    error(UpgraderFormat(language, utDiskWriteFailed, full.toUtf8().constData()), "upgrade-disk-full");
    const QString refused = UpgraderNetworkReason(language, teUnreachable, CURLE_COULDNT_CONNECT, ECONNREFUSED);
    error(UpgraderFormat(language, utServerUnreachable, "update.ssq-analyzer.example", refused.toUtf8().constData()),
          "upgrade-refused");
    const QString unverified = UpgraderNetworkReason(language, teSecureConnection, CURLE_PEER_FAILED_VERIFICATION, 0);
    error(UpgraderFormat(language, utSecureConnectionFailed, unverified.toUtf8().constData()), "upgrade-certificate");
  }
  return ok ? 0 : 1;
}
