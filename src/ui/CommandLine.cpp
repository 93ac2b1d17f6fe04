#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace koordel {

CommandLine parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      u"画像（スキャンした図面、地図、グラフ）から座標を読み取ります。"_s);
  // The toolkit's own help and version options would explain themselves in
  // English.
  const QCommandLineOption help({u"h"_s, u"help"_s}, u"この説明を表示して終了します。"_s);
  const QCommandLineOption version({u"v"_s, u"version"_s}, u"版を表示して終了します。"_s);
  parser.addOption(help);
  parser.addOption(version);
  const QCommandLineOption check(
      u"check"_s, u"表計算モジュールと FILE を開けるか確かめ、結果を表示して終了します。"_s);
  parser.addOption(check);
  parser.addPositionalArgument(u"FILE"_s, u"始めに開く画像ファイル。"_s, u"[FILE]"_s);

  CommandLine line;
  if (!parser.parse(arguments)) {
    line.action = CommandLine::Action::Error;
    line.text = u"%1: %2\n詳しくは「%1 --help」を見てください。"_s.arg(
        arguments.value(0, u"koordel"_s).section(u'/', -1), parser.errorText());
    return line;
  }
  line.files = parser.positionalArguments();
  if (parser.isSet(help)) {
    line.action = CommandLine::Action::Help;
    line.text = parser.helpText();
  } else if (parser.isSet(version)) {
    line.action = CommandLine::Action::Version;
    line.text = u"%1 %2\n"_s.arg(QCoreApplication::applicationName(),
                                 QCoreApplication::applicationVersion());
  } else if (parser.isSet(check)) {
    line.action = CommandLine::Action::Check;
  }
  return line;
}

}  // namespace koordel
