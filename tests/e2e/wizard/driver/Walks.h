#pragma once
// The driver's commands, each a walk through the wizard as a user would take it.
#include "Wizard.h"

namespace e2e {

// Every page forwards with the chosen options, the installation with its message boxes, the
// finish page and the end of the program.
void Walk(Wizard& wizard);
// Forwards to --page, Cancel there, the confirmation answered with --answer; after No the
// wizard must stay, and is then ended with a second Cancel and Yes.
void CancelWalk(Wizard& wizard);
// For each language of --languages: chosen, forwards to the summary, Cancel answered No there,
// then Back to the language page for the next; after the last one Cancel answered Yes. The page
// visits are labelled with the language ("WelcomePage-F").
void EveryLanguage(Wizard& wizard);
// Forwards to the summary, then Back from every page down to the language page; ends by Cancel.
void BackFromEveryPage(Wizard& wizard);
// Forwards to the destination page, types --dest and presses Next: a box must come, and after
// OK the wizard must stay on the page; ends by Cancel.
void RefusedDestinationWalk(Wizard& wizard);
// Forwards to the destination page, then Enter with the focus moved by Tab to each of its
// controls in turn: each must lead to the icon page, and Back returns; Enter in the open drive
// list must only close it. Ends by Cancel.
void EnterOnDestination(Wizard& wizard);
// A walk whose installation must end in the error box with the wizard left on ActionPage.
void DamagedWalk(Wizard& wizard);

}  // namespace e2e
