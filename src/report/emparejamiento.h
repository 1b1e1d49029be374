// quenvaro-informe's matching: each FREE_TURNO takes the oldest
// registration still waiting under its turn number.
#ifndef QUENVARO_REPORT_EMPAREJAMIENTO_H_
#define QUENVARO_REPORT_EMPAREJAMIENTO_H_

// Forgets every waiting registration.
void FunOlvidarRegistrados();

// A registration of `turno` stamped `instante` (seconds), of day `dia`
// (the model's index), now waits behind any others of the same number.
void FunEncolarRegistrado(long long turno, long long instante, int dia);

// Takes the oldest registration waiting under `turno` into *instante and
// *dia; false if none waits.
bool FunTomarRegistrado(long long turno, long long* instante, int* dia);

#endif  // QUENVARO_REPORT_EMPAREJAMIENTO_H_
