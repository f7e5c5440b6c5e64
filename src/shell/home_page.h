#pragma once

namespace ferrowax {

class DesktopLauncher;
class RandomSource;

// Opens the maker's home page on about one start in a hundred.
void OpenHomePageAtRandom(RandomSource& random, DesktopLauncher& desktop);

} // namespace ferrowax
