#include "support/fake_alerts.h"

namespace tessera::test {

AlertAnswer FakeAlerts::Show(const Alert& alert) {
    shown_.push_back(alert);
    if (!answers_.empty()) {
        const AlertAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return alert.buttons == AlertButtons::Ok ? AlertAnswer::Ok : AlertAnswer::Yes;
}

}  // namespace tessera::test
