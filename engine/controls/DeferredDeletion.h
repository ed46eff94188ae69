// Deleting a control from inside its own handling (a screen that removes the
// button whose click it is answering): the control leaves its trees at once
// and is deleted on the next idle pass, by a task of the current task
// manager, or by FlushDeferredDeletions.
#pragma once

class VControl;

// Takes the control out of its graphic, event and data trees (its own
// subtree stays with it), drops the mouse capture it holds and keeps it for
// deletion. Null and a control already waiting are ignored.
void DeleteControlLater(VControl* control);
// Deletes every control waiting; returns how many.
int DeferredDeletionCount();
void FlushDeferredDeletions();
