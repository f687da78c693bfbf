#include "frmhistory.h"

#include "engine/titlehistory.h"
#include "platform/errorlog.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The role that holds a row's folded text, all its columns, on its first column.
constexpr int kFoldedRole = Qt::UserRole;

}  // namespace

frmHistory::frmHistory(const std::function<void(QWidget*)>& skin, zvengine::TitleHistory& history,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("Elhangzott számok"));
    createControls();
    zverr::trapEvent("frmHistory.Form_Load", [this, &skin, &history] {
        const std::vector<zvengine::HeardTitle> heard = history.heardSoFar();
        std::for_each(heard.rbegin(), heard.rend(),
                      [this](const zvengine::HeardTitle& title) { addTitle(title, -1); });
        lstTitles_->resizeColumnToContents(0);
        skin(this);
    });
    connect(&history, &zvengine::TitleHistory::heard, this,
            [this](const zvengine::HeardTitle& title) { addTitle(title, 0); });
    connect(txtFilter_, &QLineEdit::textChanged, this,
            [this](const QString& text) { shown_->setFilterFixedString(folded(text)); });
    connect(cmdCopy_, &QPushButton::clicked, this, &frmHistory::cmdCopy_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmHistory::folded(const QString& text) {
    QString bare;
    for (const QChar c : text.normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing) {
            bare += c;
        }
    }
    return bare.toCaseFolded();
}

void frmHistory::createControls() {
    titles_ = new QStandardItemModel(0, 3, this);
    titles_->setHorizontalHeaderLabels(
        {QStringLiteral("Idő"), QStringLiteral("Adó"), QStringLiteral("Cím")});
    shown_ = new QSortFilterProxyModel(this);
    shown_->setSourceModel(titles_);
    shown_->setFilterRole(kFoldedRole);

    txtFilter_ = new QLineEdit(this);
    txtFilter_->setObjectName(QStringLiteral("txtFilter"));
    txtFilter_->setPlaceholderText(QStringLiteral("Szűrés"));
    txtFilter_->setAccessibleName(QStringLiteral("Szűrés"));
    txtFilter_->setClearButtonEnabled(true);

    lstTitles_ = new QTreeView(this);
    lstTitles_->setObjectName(QStringLiteral("lstTitles"));
    lstTitles_->setAccessibleName(QStringLiteral("Elhangzott számok"));
    lstTitles_->setModel(shown_);
    lstTitles_->setRootIsDecorated(false);
    lstTitles_->setUniformRowHeights(true);
    lstTitles_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstTitles_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstTitles_->setSelectionBehavior(QAbstractItemView::SelectRows);
    new QShortcut(QKeySequence::Copy, lstTitles_, this, &frmHistory::cmdCopy_Click,
                  Qt::WidgetShortcut);

    cmdCopy_ = new QPushButton(QStringLiteral("&Másolás"), this);
    cmdCopy_->setObjectName(QStringLiteral("cmdCopy"));
    cmdCopy_->setAccessibleName(QStringLiteral("Másolás"));
    cmdCopy_->setAutoDefault(false);
    cmdClose_ = new QPushButton(QStringLiteral("Bezárás"), this);
    cmdClose_->setObjectName(QStringLiteral("cmdClose"));
    cmdClose_->setAccessibleName(QStringLiteral("Bezárás"));
    cmdClose_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopy_);
    buttons->addStretch();
    buttons->addWidget(cmdClose_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtFilter_);
    layout->addWidget(lstTitles_);
    layout->addLayout(buttons);
    setTabOrder(txtFilter_, lstTitles_);
    setTabOrder(lstTitles_, cmdCopy_);
    setTabOrder(cmdCopy_, cmdClose_);
    resize(560, 360);
}

void frmHistory::addTitle(const zvengine::HeardTitle& title, int row) {
    const QStringList fields = zvengine::HistoryFile::fields(title);
    QList<QStandardItem*> items;
    for (const QString& text : fields) {
        items << new QStandardItem(text);
    }
    items.front()->setData(folded(fields.join(QLatin1Char('\t'))), kFoldedRole);
    titles_->insertRow(row < 0 ? titles_->rowCount() : row, items);
}

void frmHistory::cmdCopy_Click() {
    zverr::trapEvent("frmHistory.cmdCopy_Click", [this] {
        QModelIndexList rows = lstTitles_->selectionModel()->selectedRows();
        std::sort(rows.begin(), rows.end());
        QString text;
        for (const QModelIndex& row : rows) {
            QStringList fields;
            for (int column = 0; column < shown_->columnCount(); ++column) {
                fields << shown_->index(row.row(), column).data().toString();
            }
            text += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
        }
        QGuiApplication::clipboard()->setText(text);
    });
}
