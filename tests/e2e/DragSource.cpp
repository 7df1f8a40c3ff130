// A stand-in for a file manager in the end-to-end run: a small window that
// starts dragging the file named on its command line when a mouse button
// goes down on it, so that xdotool can drop the file on Parcelon through the
// desktop's own drag and drop.
#include <QApplication>
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
    explicit DragSource(QString path)
        : m_path(std::move(path))
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
        drag->exec(Qt::CopyAction);
    }

private:
    QString m_path;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    DragSource source(QString::fromLocal8Bit(argv[1]));
    source.move(0, 0);
    source.show();
    return QApplication::exec();
}
