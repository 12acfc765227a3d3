// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/search_results.h"

#include "widgets/utf8_text.h"

#include <QApplication>
#include <QPainter>

namespace sheafpad {

namespace {

// A child row's internal id: its file's row + 1 (0 marks a file's row).
quintptr ParentId(const QModelIndex& index) {
    return index.internalId();
}

QString LinePrefix(const search::MatchLine& line) {
    return QStringLiteral("%1: ").arg(line.line + 1);
}

} // namespace

QString SearchResultsModel::ShownName(const std::string& path) const {
    // Below the folder: the path from it (two pages of one name differ).
    if (!root_.empty() && path.size() > root_.size() && path.compare(0, root_.size(), root_) == 0) {
        return FromUtf8(path.substr(root_.size()));
    }
    return FromUtf8(path.substr(path.rfind('/') + 1));
}

void SearchResultsModel::Clear() {
    beginResetModel();
    results_.clear();
    checks_.clear();
    unchecked_ = 0;
    matches_ = filesWithMatches_ = skipped_ = 0;
    endResetModel();
}

void SearchResultsModel::Add(std::vector<search::FileResult> results) {
    if (results.empty()) {
        return;
    }
    const int first = int(results_.size());
    beginInsertRows(QModelIndex(), first, first + int(results.size()) - 1);
    for (search::FileResult& result : results) {
        matches_ += result.matchCount;
        filesWithMatches_ += result.matchCount > 0 ? 1 : 0;
        skipped_ += result.skipped.empty() ? 0 : 1;
        results_.push_back(std::move(result));
        checks_.emplace_back();
    }
    endInsertRows();
}

const search::FileResult* SearchResultsModel::FileAt(const QModelIndex& index) const {
    if (!index.isValid()) {
        return nullptr;
    }
    const size_t row = ParentId(index) == 0 ? size_t(index.row()) : size_t(ParentId(index) - 1);
    return row < results_.size() ? &results_[row] : nullptr;
}

const search::MatchLine* SearchResultsModel::LineAt(const QModelIndex& index) const {
    if (!index.isValid() || ParentId(index) == 0) {
        return nullptr;
    }
    const search::FileResult& file = results_[ParentId(index) - 1];
    return size_t(index.row()) < file.lines.size() ? &file.lines[size_t(index.row())] : nullptr;
}

QModelIndex SearchResultsModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) {
        return {};
    }
    if (!parent.isValid()) {
        return size_t(row) < results_.size() ? createIndex(row, 0, quintptr(0)) : QModelIndex();
    }
    if (ParentId(parent) != 0 || size_t(row) >= results_[size_t(parent.row())].lines.size()) {
        return {};
    }
    return createIndex(row, 0, quintptr(parent.row() + 1));
}

QModelIndex SearchResultsModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || ParentId(child) == 0) {
        return {};
    }
    return createIndex(int(ParentId(child) - 1), 0, quintptr(0));
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) {
        return int(results_.size());
    }
    return ParentId(parent) == 0 ? int(results_[size_t(parent.row())].lines.size()) : 0;
}

int SearchResultsModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The header is hidden, but a screen reader reads the column's name.
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return tr("Files and matching lines");
    }
    return QAbstractItemModel::headerData(section, orientation, role);
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::CheckStateRole) {
        if (!(flags(index) & Qt::ItemIsUserCheckable)) {
            return {};
        }
        const size_t row = size_t(FileAt(index) - results_.data());
        if (LineAt(index) == nullptr) {
            return FileState(row);
        }
        return Chosen(row, size_t(index.row())) ? Qt::Checked : Qt::Unchecked;
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    if (const search::MatchLine* line = LineAt(index)) {
        return LinePrefix(*line) + FromUtf8(line->before()) + FromUtf8(line->match()) +
               FromUtf8(line->after());
    }
    const search::FileResult* file = FileAt(index);
    if (file == nullptr) {
        return {};
    }
    if (!file->skipped.empty()) {
        return tr("%1 (skipped: %2)").arg(ShownName(file->path), FromUtf8(file->skipped));
    }
    return QStringLiteral("%1 (%2)").arg(ShownName(file->path)).arg(file->matchCount);
}

Qt::ItemFlags SearchResultsModel::flags(const QModelIndex& index) const {
    const search::FileResult* file = FileAt(index);
    if (file == nullptr) {
        return {};
    }
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return file->skipped.empty() ? flags | Qt::ItemIsUserCheckable : flags;
}

bool SearchResultsModel::Chosen(size_t row, size_t match) const {
    const Checks& checks = checks_[row];
    if (match >= results_[row].lines.size()) {
        return checks.on && checks.rest;
    }
    return checks.on && (match >= checks.off.size() || !checks.off[match]);
}

Qt::CheckState SearchResultsModel::FileState(size_t row) const {
    const Checks& checks = checks_[row];
    if (!checks.on) {
        return Qt::Unchecked;
    }
    return checks.offCount == 0 && checks.rest ? Qt::Checked : Qt::PartiallyChecked;
}

size_t SearchResultsModel::CheckedIn(size_t row) const {
    const Checks& checks = checks_[row];
    const search::FileResult& file = results_[row];
    const size_t rest = checks.rest ? file.matchCount - file.lines.size() : 0;
    return checks.on ? file.lines.size() - checks.offCount + rest : 0;
}

size_t SearchResultsModel::CheckedMatchCount() const {
    size_t count = 0;
    for (size_t row = 0; row < results_.size(); ++row) {
        count += CheckedIn(row);
    }
    return count;
}

size_t SearchResultsModel::CheckedFileCount() const {
    size_t count = 0;
    for (size_t row = 0; row < results_.size(); ++row) {
        count += CheckedIn(row) > 0 ? 1 : 0;
    }
    return count;
}

void SearchResultsModel::SetLine(size_t row, size_t line, bool on) {
    Checks& checks = checks_[row];
    if (checks.off.empty()) {
        checks.off.assign(results_[row].lines.size(), 0);
    }
    if (bool(checks.off[line]) == !on) {
        return;
    }
    checks.off[line] = on ? 0 : 1;
    checks.offCount += on ? size_t(-1) : 1;
}

bool SearchResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable)) {
        return false;
    }
    const size_t row = size_t(FileAt(index) - results_.data());
    const bool on = value.toInt() != Qt::Unchecked;
    Checks& checks = checks_[row];
    const bool wasUnchecked = FileState(row) != Qt::Checked;
    if (const search::MatchLine* line = LineAt(index)) {
        (void)line;
        if (on && !checks.on) {
            // The first match checked in a cleared file: that one alone.
            checks.on = true;
            checks.rest = false;
            for (size_t i = 0; i < results_[row].lines.size(); ++i) {
                SetLine(row, i, false);
            }
        }
        SetLine(row, size_t(index.row()), on);
    } else {
        checks = Checks{};
        checks.on = checks.rest = on;
    }
    unchecked_ += (FileState(row) != Qt::Checked ? 1 : 0) - (wasUnchecked ? 1 : 0);
    const QModelIndex fileIndex = this->index(int(row), 0);
    emit dataChanged(fileIndex, fileIndex, {Qt::CheckStateRole});
    const int lines = rowCount(fileIndex);
    if (lines > 0) {
        emit dataChanged(this->index(0, 0, fileIndex), this->index(lines - 1, 0, fileIndex),
                         {Qt::CheckStateRole});
    }
    emit ChecksChanged();
    return true;
}

void SearchLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const auto* model = qobject_cast<const SearchResultsModel*>(index.model());
    const search::MatchLine* line = model != nullptr ? model->LineAt(index) : nullptr;
    if (line == nullptr) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    item.text.clear();
    QStyle* style = item.widget != nullptr ? item.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
    const bool selected = item.state & QStyle::State_Selected;
    const QColor text = item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    painter->save();
    painter->setClipRect(area);
    painter->setFont(item.font);
    const QFontMetrics metrics(item.font);
    int x = area.left() + 2;
    auto draw = [&](const QString& piece, bool match) {
        const int width = metrics.horizontalAdvance(piece);
        if (match) {
            // The match stands out in both states: a yellow ground, dark text.
            painter->fillRect(QRect(x, area.top() + 1, width, area.height() - 2),
                              QColor(255, 221, 64));
            painter->setPen(Qt::black);
        } else {
            painter->setPen(text);
        }
        painter->drawText(QRect(x, area.top(), width + 1, area.height()),
                          Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, piece);
        x += width;
    };
    draw(LinePrefix(*line) + FromUtf8(line->before()), false);
    draw(FromUtf8(line->match()), true);
    draw(FromUtf8(line->after()), false);
    painter->restore();
}

} // namespace sheafpad
