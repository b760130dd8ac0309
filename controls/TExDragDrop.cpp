#include "controls/TExDragDrop.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace deraz {

namespace {

bool HasLocalFiles(const QMimeData* Data) {
    if (!Data || !Data->hasUrls()) return false;
    for (const QUrl& Url : Data->urls())
        if (Url.isLocalFile()) return true;
    return false;
}

} // namespace

TExDragDrop::TExDragDrop(QObject* Owner) : QObject(Owner) {}

TExDragDrop::~TExDragDrop() {
    Detach();
}

QWidget* TExDragDrop::DropWidget(QWidget* Control) {
    if (auto* Area = qobject_cast<QAbstractScrollArea*>(Control)) return Area->viewport();
    return Control;
}

void TExDragDrop::SetControl(QWidget* Value) {
    if (Value == FControl) return;
    Detach();
    if (!Value) return;
    FControl = Value;
    FDropWidget = DropWidget(Value);
    FAcceptedDrops = FDropWidget->acceptDrops();
    FDropWidget->setAcceptDrops(true);
    FDropWidget->installEventFilter(this);
}

void TExDragDrop::Detach() {
    if (FDropWidget) {
        FDropWidget->removeEventFilter(this);
        FDropWidget->setAcceptDrops(FAcceptedDrops);
    }
    FDropWidget = nullptr;
    FControl = nullptr;
}

void TExDragDrop::Drop(const QList<QUrl>& Urls) {
    FItems.clear();
    for (const QUrl& Url : Urls)
        if (Url.isLocalFile()) FItems.append(Url.toLocalFile());
    if (OnDropped) OnDropped(this, int(FItems.size()));
}

bool TExDragDrop::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != FDropWidget) return false;
    switch (Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* Drag = static_cast<QDropEvent*>(Event);
        if (!HasLocalFiles(Drag->mimeData())) return false;
        Drag->setDropAction(Qt::CopyAction);
        Drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* DropEvent = static_cast<QDropEvent*>(Event);
        if (!HasLocalFiles(DropEvent->mimeData())) return false;
        DropEvent->setDropAction(Qt::CopyAction);
        DropEvent->accept();
        Drop(DropEvent->mimeData()->urls());
        return true;
    }
    default:
        return false;
    }
}

} // namespace deraz
