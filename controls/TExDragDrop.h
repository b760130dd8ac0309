// Makes one control accept files dropped from a file manager: collects the full names of each
// drop into Items and reports their number through OnDropped.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>

namespace deraz {

class TExDragDrop : public QObject {
    Q_OBJECT
public:
    explicit TExDragDrop(QObject* Owner = nullptr);
    ~TExDragDrop() override;

    // The names of the last drop, in the order the file manager gave them.
    const QStringList& Items() const { return FItems; }

    QWidget* Control() const { return FControl; }
    // Attaches to Value (detaching from the previous control); nullptr detaches.
    void SetControl(QWidget* Value);

    // Takes the local files among Urls as one drop: replaces Items and fires OnDropped.
    void Drop(const QList<QUrl>& Urls);

    std::function<void(TExDragDrop* Sender, int Count)> OnDropped;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // Where a control receives drag events: a scroll area's viewport, else the control itself.
    static QWidget* DropWidget(QWidget* Control);
    void Detach();

    QStringList FItems;
    QPointer<QWidget> FControl;
    QPointer<QWidget> FDropWidget;
    bool FAcceptedDrops = false; // the drop widget's own setting before it was attached
};

} // namespace deraz
