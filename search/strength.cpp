#include "search/strength.h"

#include "config/settings.h"

int uci_elo = 2150;
int uci_elo_min = 750;
int uci_elo_max = 2950;

void calibrate_strength(int, int) {}

void set_uci_elo(int rating) {
    if (rating < uci_elo_min || rating > uci_elo_max) return;
    uci_elo = rating;
}

int enable_limit_strength() {
    engine_flags |= EF_LIMIT_STRENGTH;
    search_flags |= EF_LIMIT_STRENGTH;
    return node_rate_limit;
}
