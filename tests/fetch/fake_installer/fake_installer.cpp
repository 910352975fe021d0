// Stands in for a full installer in the fetch journeys: a real program image
// whose version resource the build sets.
int wmain() { return 0; }
