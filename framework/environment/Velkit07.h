#pragma once
// The framework package's own unit: initialises and finalises all of its units in the
// package's order. The shell calls Initialize at its start and Finalize at its end.

namespace Velkit07 {

void Initialize();
void Finalize();

} // namespace Velkit07
