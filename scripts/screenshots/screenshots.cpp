// SPDX-License-Identifier: GPL-3.0-or-later
// Makes the screenshots of docs/: the main window showing a page, a style
// sheet and a script in their syntax colours, on a light and a dark palette.
// Usage: screenshots OUTPUT_DIR (run by scripts/screenshots.sh).
#include "app/form1.h"
#include "widgets/directory_edit.h"
#include "widgets/file_list_model.h"
#include "widgets/rich_edit.h"
#include "widgets/syntax_colouring.h"

#include <QApplication>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

const char* const kPage = R"(<!DOCTYPE html>
<html lang="en">
<head>
  <meta charset="utf-8">
  <title>Café Lumière</title>
  <link rel="stylesheet" href="style.css">
  <style>
    .special { color: #b03060; font-weight: bold; } /* today only */
  </style>
</head>
<body>
  <!-- the menu of the day -->
  <h1 class="special">Today: soup &amp; bread</h1>
  <p>Open daily from <b>8</b> to <b>18</b>.</p>
  <script src="menu.js"></script>
  <script>
    const opened = new Date().getHours() >= 8; // local time
    document.querySelector("h1").hidden = !opened;
  </script>
</body>
</html>
)";

const char* const kStyle = R"(/* Café Lumière: colours and type */
body {
  margin: 0 auto;
  max-width: 40em;
  font-family: "DejaVu Serif", Georgia, serif;
  background: #fdf6e3;
}

h1, h2 {
  color: #268bd2;
  letter-spacing: 0.05em;
}

#menu .special {
  font-weight: bold;
}

a:hover, a:focus {
  text-decoration: underline;
}

@media (max-width: 600px) {
  body { font-size: 18px; }
}
)";

const char* const kScript = R"(// The menu: prices in euros, shown when a dish is picked.
const prices = { soup: 4.5, bread: 2, coffee: 1.8 };

function total(order) {
  let sum = 0;
  for (const dish of order) {
    if (!(dish in prices)) {
      throw new Error(`no dish called ${dish}`);
    }
    sum += prices[dish];
  }
  return Math.round(sum * 100) / 100;
}

document.addEventListener("DOMContentLoaded", () => {
  const picked = ["soup", "bread"];
  console.log("Total:", total(picked), "EUR");
});
)";

void Write(const std::string& path, const char* text) {
    std::ofstream(path, std::ios::binary) << text;
}

QPalette DarkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(220, 220, 220));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    dark.setColor(QPalette::Text, QColor(220, 220, 220));
    dark.setColor(QPalette::Button, QColor(60, 60, 64));
    dark.setColor(QPalette::ButtonText, QColor(220, 220, 220));
    dark.setColor(QPalette::Highlight, QColor(38, 79, 120));
    dark.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    dark.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    dark.setColor(QPalette::ToolTipText, QColor(220, 220, 220));
    return dark;
}

// Opens name in the window and waits for its colours.
bool Open(sheafpad::TForm1& form, const std::string& name) {
    const auto& names = form.filesModel->Names();
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end()) {
        return false;
    }
    QEventLoop loop;
    QObject::connect(form.Colours.get(), &sheafpad::SyntaxColouring::coloured, &loop,
                     &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    form.filesLB->selectionModel()->setCurrentIndex(form.filesModel->index(int(it - names.begin())),
                                                    QItemSelectionModel::ClearAndSelect);
    loop.exec();
    form.Memo1->SetCaret(0);
    QApplication::processEvents();
    return form.Colours->Coloured();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshots OUTPUT_DIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("sheafpad-shots-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch / "site");
    ::setenv("XDG_STATE_HOME", (scratch / "state").c_str(), 1);
    Write(scratch / "site" / "index.html", kPage);
    Write(scratch / "site" / "style.css", kStyle);
    Write(scratch / "site" / "menu.js", kScript);
    Write(scratch / "Sheafpad.ini", "[Initial]\n");

    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QPalette light = QApplication::palette();
    int failures = 0;
    for (const bool darkDesktop : {false, true}) {
        QApplication::setPalette(darkDesktop ? DarkPalette() : light);
        sheafpad::TForm1 form;
        form.SettingsPathOverride = (scratch / "Sheafpad.ini").string();
        form.show();
        QApplication::processEvents();
        form.TypesMemo->setPlainText(".htm\n.html\n.js\n.css");
        form.dirEdit->SetText((scratch / "site").string() + "/");
        for (const char* name : {"index.html", "style.css", "menu.js"}) {
            if (!Open(form, name)) {
                std::fprintf(stderr, "screenshots: %s was not coloured\n", name);
                ++failures;
                continue;
            }
            const std::string file = std::string(argv[1]) + "/colours-" +
                                     std::filesystem::path(name).extension().string().substr(1) +
                                     (darkDesktop ? "-dark" : "-light") + ".png";
            if (!form.grab().save(QString::fromStdString(file))) {
                std::fprintf(stderr, "screenshots: cannot write %s\n", file.c_str());
                ++failures;
            }
        }
        form.NeedsSave = false;
    }
    std::filesystem::remove_all(scratch);
    return failures == 0 ? 0 : 1;
}
