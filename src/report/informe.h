// quenvaro-informe: the figures of each day of the event log, as a text
// report or as CSV. It only reads the log.
#ifndef QUENVARO_REPORT_INFORME_H_
#define QUENVARO_REPORT_INFORME_H_

// Runs the whole program on its command line and returns its exit status:
// 0 done, 1 the log cannot be read (or the report cannot be written),
// 2 a wrong command line.
int FunEjecutarInforme(int argc, char** argv);

#endif  // QUENVARO_REPORT_INFORME_H_
