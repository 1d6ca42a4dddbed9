#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace zentaro::test {

// Runs `act` on the modal dialog of type T once it is showing, from inside
// its event loop; closes the dialog afterwards if `act` left it open, so a
// failed expectation cannot hang the test. Call before the blocking call.
template <typename T>
class ModalDriver
{
public:
    explicit ModalDriver(std::function<void(T*)> act, int timeoutMs = 5000)
        : m_state(std::make_shared<State>())
    {
        auto state = m_state;
        state->act = std::move(act);
        state->clock.start();
        state->timer = new QTimer;
        state->timer->setInterval(10);
        QObject::connect(state->timer, &QTimer::timeout, state->timer, [state, timeoutMs] {
            if (state->done)
                return;
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
                state->done = true;
                state->ran = true;
                QPointer<T> guard(dialog);
                state->act(dialog);
                if (guard && guard->isVisible())
                    guard->reject();
            } else if (state->clock.elapsed() > timeoutMs) {
                state->done = true;
            }
        });
        state->timer->start();
    }
    ~ModalDriver() { delete m_state->timer; }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    // Whether the dialog appeared and `act` ran.
    bool ran() const { return m_state->ran; }

private:
    struct State
    {
        std::function<void(T*)> act;
        QTimer* timer = nullptr;
        QElapsedTimer clock;
        bool done = false;
        bool ran = false;
    };
    std::shared_ptr<State> m_state;
};

} // namespace zentaro::test
