#include "core/PathText.h"
#include "core/ProgramState.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    zentaro::ProgramState state(zentaro::PathText::programFolder());
    QMessageBox::information(nullptr, QStringLiteral("Zentaro"),
                             QStringLiteral("Zentaro %1").arg(state.FullVersionText));
    return 0;
}
