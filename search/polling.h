// What a running search does when the interface speaks to it.
#pragma once

// Turns a ponder search into a normal one.
void handle_ponderhit();
