// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/dir_list_widget.h"

#include "files/file_list.h"
#include "widgets/folder_paths.h"
#include "widgets/utf8_text.h"

#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace sheafpad {

namespace {

constexpr int kIndentRole = Qt::UserRole;
constexpr int kPictureRole = Qt::UserRole + 1;
constexpr int kItemHeight = 17;
constexpr int kTextGap = 4; // between a picture and its name

// A 16 x 13 folder: closed, open (lid tilted forward), or open and shaded
// for the folder that is open in the list.
QPixmap FolderPicture(TDirectoryListBox::Picture kind) {
    QPixmap pixmap(16, 13);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QColor yellow(255, 255, 128);
    const QColor dark(128, 128, 0);
    p.setPen(Qt::black);
    // Back with its tab.
    p.setBrush(kind == TDirectoryListBox::Picture::ClosedFolder ? yellow : dark);
    p.drawPolygon(QPolygon(
        {QPoint(0, 1), QPoint(5, 1), QPoint(6, 2), QPoint(13, 2), QPoint(13, 12), QPoint(0, 12)}));
    if (kind == TDirectoryListBox::Picture::ClosedFolder) {
        p.drawLine(1, 4, 12, 4);
        return pixmap;
    }
    // Open front, tilted.
    p.setBrush(kind == TDirectoryListBox::Picture::CurrentFolder ? QColor(Qt::white) : yellow);
    p.drawPolygon(QPolygon({QPoint(3, 5), QPoint(15, 5), QPoint(12, 12), QPoint(0, 12)}));
    if (kind == TDirectoryListBox::Picture::CurrentFolder) {
        p.setPen(QColor(0, 0, 128));
        p.drawLine(5, 8, 11, 8);
    }
    return pixmap;
}

// A 16 x 13 drive of the given kind.
QPixmap DrivePicture(platform::DriveKind kind) {
    QPixmap pixmap(16, 13);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    switch (kind) {
    case platform::DriveKind::CdRom:
        p.setBrush(QColor(192, 192, 192));
        p.drawEllipse(2, 0, 12, 12);
        p.setBrush(Qt::white);
        p.drawEllipse(6, 4, 4, 4);
        break;
    case platform::DriveKind::Removable:
        p.setBrush(QColor(64, 64, 160));
        p.drawRect(3, 0, 9, 12);
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(5, 0, 5, 4);
        break;
    case platform::DriveKind::Network:
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(1, 1, 13, 6);
        p.drawLine(7, 7, 7, 10);
        p.drawLine(2, 11, 13, 11);
        p.setPen(Qt::green);
        p.drawPoint(12, 4);
        break;
    case platform::DriveKind::Fixed:
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(0, 4, 15, 6);
        p.setPen(Qt::green);
        p.drawLine(11, 7, 13, 7);
        break;
    case platform::DriveKind::RamDisk: // a memory module with its pins
        p.setBrush(QColor(0, 128, 0));
        p.drawRect(0, 3, 15, 6);
        p.setBrush(Qt::black);
        p.drawRect(3, 5, 3, 2);
        p.drawRect(9, 5, 3, 2);
        p.setPen(QColor(192, 160, 0));
        for (int x = 1; x < 15; x += 2) {
            p.drawLine(x, 10, x, 11);
        }
        break;
    }
    return pixmap;
}

// Draws a folder row: picture at its indent, name 4 pixels after it.
class FolderItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        if (selected) {
            painter->fillRect(option.rect, option.palette.highlight());
        }
        const auto kind = TDirectoryListBox::Picture(index.data(kPictureRole).toInt());
        const QPixmap picture = FolderPicture(kind);
        const int left = option.rect.left() + index.data(kIndentRole).toInt();
        const int top = option.rect.top() + (option.rect.height() - picture.height()) / 2;
        painter->drawPixmap(left, top, picture);
        const QRect textRect(left + picture.width() + kTextGap, option.rect.top(),
                             option.rect.right() - left - picture.width() - kTextGap,
                             option.rect.height());
        painter->setPen(selected ? option.palette.highlightedText().color()
                                 : option.palette.text().color());
        // Plain drawing: "&" in a name is a character, not an accelerator.
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight};
    }
};

} // namespace

TPathLabel::TPathLabel(QWidget* parent) : QWidget(parent) {}

void TPathLabel::SetPath(const std::string& path) {
    path_ = path;
    update();
}

QString TPathLabel::ShownText() const {
    const QFontMetrics metrics(font());
    const std::string shown = ShortenPath(path_, width(), [&](const std::string& text) {
        return metrics.horizontalAdvance(FromUtf8(text));
    });
    return FromUtf8(shown);
}

void TPathLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().windowText().color());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, ShownText());
}

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new FolderItemDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

void TDirectoryListBox::SetFolder(const std::string& driveRoot, const std::string& openPath,
                                  const std::vector<std::string>& subfolders) {
    clear();
    paths_.clear();
    pictures_.clear();
    indents_.clear();
    auto add = [&](const std::string& name, const std::string& path, Picture picture, int indent) {
        auto* item = new QListWidgetItem(FromUtf8(name), this);
        item->setData(kIndentRole, indent);
        item->setData(kPictureRole, int(picture));
        paths_.push_back(path);
        pictures_.push_back(picture);
        indents_.push_back(indent);
    };
    // Path items: the root is item 0; item i is indented 4 i + 2.
    const std::vector<std::string> below = FoldersBelow(driveRoot, openPath);
    add(driveRoot, driveRoot, below.empty() ? Picture::CurrentFolder : Picture::OpenFolder, 2);
    std::string path = driveRoot;
    for (size_t i = 0; i < below.size(); ++i) {
        path = JoinFolder(path, below[i]);
        const bool isOpen = i + 1 == below.size();
        add(below[i], path, isOpen ? Picture::CurrentFolder : Picture::OpenFolder,
            4 * int(i + 1) + 2);
    }
    openRow_ = int(below.size());
    // Subfolders are indented 4 n + 6, n being the separators in the open
    // folder's path as a drive path counts them ("C:\" and "C:\web" have one):
    // one step further in than the open folder, and 10 at a root.
    const int subIndent = 4 * std::max(openRow_, 1) + 6;
    for (const std::string& name : subfolders) {
        add(name, JoinFolder(openPath, name), Picture::ClosedFolder, subIndent);
    }
    setCurrentRow(openRow_);
}

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
}

void TDriveComboBox::SetDrives(std::vector<platform::Drive> drives) {
    const QSignalBlocker quiet(this);
    drives_ = std::move(drives);
    clear();
    for (const platform::Drive& drive : drives_) {
        addItem(QIcon(DrivePicture(drive.kind)), FromUtf8(DriveItemText(drive)));
    }
}

void TDriveComboBox::SelectDriveOf(const std::string& path) {
    const QSignalBlocker quiet(this);
    setCurrentIndex(platform::FindDriveOf(path, drives_));
}

std::string DriveItemText(const platform::Drive& drive) {
    switch (drive.kind) {
    case platform::DriveKind::Removable:
        return drive.mountPoint;
    case platform::DriveKind::Network:
        if (!drive.source.empty()) {
            return drive.mountPoint + " " + AsciiLower(drive.source);
        }
        break;
    case platform::DriveKind::Fixed:
    case platform::DriveKind::CdRom:
    case platform::DriveKind::RamDisk:
        break;
    }
    // A label that cannot be read (or none) shows no empty brackets.
    return drive.label.empty() ? drive.mountPoint
                               : drive.mountPoint + " [" + AsciiLower(drive.label) + "]";
}

} // namespace sheafpad
