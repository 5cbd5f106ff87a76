#pragma once

// The end of the user's session: the display's answer when the session manager asks whether
// the session may end. GUI thread only.

namespace platform::display {

/// True lets the session end; false refuses it and shows the warning RefuseSessionEnd gave.
bool AnswerSessionEndOnGui();

} // namespace platform::display
