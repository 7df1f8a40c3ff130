// A stand-in for a file manager in the end-to-end run: a small window that
// starts dragging the file named on its command line when a mouse button
// goes down on it, so that xdotool can drop the file on Parcelon through the
// desktop's own drag and drop. With "move" after the file it offers a move
// first, as a file manager does, and shows in its title what the drop did.
#include <QApplication>
#include <QByteArray>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

namespace {

class DragSource : public QWidget
{
public:
    DragSource(QString path, bool offerMove)
        : m_path(std::move(path))
        , m_offerMove(offerMove)
    {
        setWindowTitle(QStringLiteral("drag source"));
        setFixedSize(160, 100);
    }

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        auto *data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath())});
        auto *drag = new QDrag(this);
        drag->setMimeData(data);
        if (!m_offerMove) {
            drag->exec(Qt::CopyAction);
            return;
        }
        const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
        setWindowTitle(done == Qt::MoveAction       ? QStringLiteral("drag source: moved")
                           : done == Qt::CopyAction ? QStringLiteral("drag source: copied")
                                                    : QStringLiteral("drag source: refused"));
    }

private:
    QString m_path;
    bool m_offerMove;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    DragSource source(QString::fromLocal8Bit(argv[1]), argc > 2 && QByteArray(argv[2]) == "move");
    source.move(0, 0);
    source.show();
    return QApplication::exec();
}
