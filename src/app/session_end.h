// SPDX-License-Identifier: GPL-3.0-or-later
// The close that an ending session brings. After the end-of-session save the
// window must close without the usual close sequence (no settings written,
// nothing asked), but only for that one close: a session manager may ask for
// the save at a checkpoint or for a log-off that is later cancelled, and the
// program then goes on as before.
#pragma once

#include <QObject>

namespace sheafpad {

class SessionEndClose : public QObject {
public:
    SessionEndClose() = default;
    // The end-of-session save succeeded: the ending session's close may follow.
    void Arm();
    // True for the close that the ending session brings: armed, the
    // application was asked to quit (the session manager's "die" comes as
    // a quit request, which closes every window), and no user input came in
    // between. A close by the user, or after any key or click, is not it.
    bool TakesThisClose() const { return armed_ && quitRequested_; }
    // Armed and not yet disarmed by user input.
    bool Armed() const { return armed_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Disarm();
    bool armed_ = false;
    bool quitRequested_ = false;
};

} // namespace sheafpad
