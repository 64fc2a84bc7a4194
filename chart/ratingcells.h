#pragma once

#include <QString>

// The texts of one row of the rating pop-up.

// "*" first rating, "-" maintained, "↑" upgrade, "↓" downgrade; "-" for anything else.
QString ratingActionText(const QString &action);

// "12.30", "10.00 ~ 12.00" or empty for no price; "(*)" follows when the stock's price basis
// changed since the rating (ratio of present to rating factor above 1).
QString targetPriceText(double lower, double upper, double factorRatio);

// The style of a rating label by score: orange for 3, green below, none above.
QString ratingStyleSheet(int score);
