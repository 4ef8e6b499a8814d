// A stand-in for a file manager or an editor as a drag source: a small window at the screen's bottom
// right that starts a drag of the files named on its command line, or of the text after --text, when the
// mouse is pressed on it. It prints the drop action the target chose ("result N", Qt::DropAction) and
// ends a few seconds later. Usage: dragsource [--text TEXT] [FILE...]
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class TDragQuelle : public QWidget {
public:
    TDragQuelle(QStringList files, QString text) : files_(std::move(files)), text_(std::move(text)) {}

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& file : files_) {
            urls << QUrl::fromLocalFile(file);
        }
        if (!urls.isEmpty()) {
            data->setUrls(urls);
        }
        if (!text_.isEmpty()) {
            data->setText(text_);
        }
        // Left alive: the target asks for the data after the drop, when the drag loop has ended.
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        std::printf("result %d\n", static_cast<int>(result));
        std::fflush(stdout);
        QTimer::singleShot(4000, qApp, &QApplication::quit);
    }

private:
    const QStringList files_;
    const QString text_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStringList files;
    QString text;
    const QStringList args = QApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--text" && i + 1 < args.size()) {
            text = args[++i];
        } else {
            files << args[i];
        }
    }
    TDragQuelle source(files, text);
    source.setWindowTitle("dragsource");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    source.setGeometry(screen.right() - 200, screen.bottom() - 100, 150, 80);
    source.show();
    return QApplication::exec();
}
