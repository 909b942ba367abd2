// Another application with a text field, for the paste tests: a window titled
// "Nabbit test field" whose single-line field takes the keyboard focus. Prints the field's
// text as one line whenever it changes.
#include <QApplication>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("Nabbit test field"));
    field.resize(300, 40);
    field.move(400, 300);
    QTextStream out(stdout);
    QObject::connect(&field, &QLineEdit::textChanged,
                     [&out](const QString& text) { out << text << Qt::endl; });
    field.show();
    QTimer::singleShot(0, [&field] {
        field.activateWindow();
        field.setFocus();
        QTextStream(stdout) << "ready" << Qt::endl;
    });
    return QApplication::exec();
}
