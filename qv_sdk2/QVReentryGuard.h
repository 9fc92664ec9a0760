// Turns away the notifications that arrive from inside a module's own pin writes. A host may
// report a change from inside the write that made it, the module's own outputs included, and one
// that reports every write does so even when nothing changed: a handler that writes pins must
// not act again on its own writes. Holds `busy` for the handler's run.
//
//     void OnPinChanged(QVGuiPin& pin) override {
//         const QVReentryGuard guard(m_busy);
//         if (guard.Nested()) return;
//         ...
//     }
#ifndef QV_REENTRY_GUARD_H
#define QV_REENTRY_GUARD_H

class QVReentryGuard {
public:
    explicit QVReentryGuard(bool& busy) : m_busy(busy), m_nested(busy) { m_busy = true; }
    // The outermost guard clears the flag however the handler ends.
    ~QVReentryGuard() {
        if (!m_nested) m_busy = false;
    }
    QVReentryGuard(const QVReentryGuard&) = delete;
    QVReentryGuard& operator=(const QVReentryGuard&) = delete;

    // Whether the handler was already running when this guard was made.
    bool Nested() const { return m_nested; }

private:
    bool& m_busy;
    bool m_nested;
};

#endif
