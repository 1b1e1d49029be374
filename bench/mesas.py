#!/usr/bin/env python3
"""Benchmark of quenvaro-pantalla with several desks, run by `make bench`
after bench/pantalla.py, whose folders, server and client it uses.

Times GET /estado (median and 99th percentile, one client on one
kept-alive connection) of one desk and of eight desks, each desk with a
1 KB log and with a 200 MB log of earlier days (one file, hard-linked into
the eight folders, so the disk holds it once), both ending with the same
records of today, and 10 turns waiting; and each server's peak resident
set. Checks every answer against what the screen of that folder alone
answers. Standard library only.
"""

import json
import os
import shutil
import signal
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import bench  # noqa: E402
import pantalla  # noqa: E402

MESAS = 8
RONDAS = 5
PETICIONES_RONDA = 1000
# Targets.
RAZON_OCHO = 8.0       # eight desks' p50 against one desk's, 200 MB logs
RAZON_LARGO = 1.5      # eight desks, 200 MB logs against 1 KB logs, p50
MEMORIA_MAX_KIB = 10 * 1024


def estado(servidor):
    """The server's /estado document, parsed."""
    s = pantalla.conectar(servidor.puerto)
    try:
        codigo, cuerpo, _ = pantalla.pedir(s, b"")
    finally:
        s.close()
    if codigo != 200:
        sys.exit("bench: /estado answered %d: %r" % (codigo, cuerpo))
    return json.loads(cuerpo)


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("bench: terminated"))
    _, programa = pantalla.construir()
    temporal = tempfile.mkdtemp(prefix="quenvaro-bench-mesas-")
    servidores = []
    try:
        hoy = pantalla.datetime.date.today()
        casos = []
        for grande in (False, True):
            base = os.path.join(temporal, "grande" if grande else "corto")
            if grande:
                pantalla.avisar("writing a 200 MB log of earlier busy days ...")
            primera = os.path.join(base, "mesa-1")
            tam = pantalla.preparar_carpeta(primera, hoy, grande, 10)
            carpetas = [primera]
            for i in range(2, MESAS + 1):
                carpeta = os.path.join(base, "mesa-%d" % i)
                os.makedirs(carpeta)
                for nombre in ("bitacora.txt", "cola_respaldo.txt"):
                    os.link(os.path.join(primera, nombre), os.path.join(carpeta, nombre))
                carpetas.append(carpeta)
            sola = pantalla.Servidor(programa, [primera])
            todas = pantalla.Servidor(programa, carpetas)
            servidores += [sola, todas]
            casos.append(("one desk, log %s" % ("200 MB" if grande else "1 KB"), tam, sola))
            casos.append(("8 desks, each log %s" % ("200 MB" if grande else "1 KB"), tam, todas))
        # Each desk's entry is what its folder alone answers, less the date.
        for i in (0, 2):
            una, varias = (estado(casos[k][2]) for k in (i, i + 1))
            del una["fecha"]
            for mesa in varias["mesas"]:
                del mesa["nombre"], mesa["llamados_s"]
                if mesa != una:
                    sys.exit("bench: a desk answered %s, alone %s" % (mesa, una))
        afinidad = sorted(os.sched_getaffinity(0))
        if len(afinidad) >= 2:
            os.sched_setaffinity(0, {afinidad[0]})
            for _, _, s in casos:
                os.sched_setaffinity(s.proceso.pid, {afinidad[1]})
        bench.asentar()
        pantalla.avisar("timing GET /estado of one and of 8 desks, %d rounds ..." % RONDAS)
        muestras = [[] for _ in casos]
        for _ in range(RONDAS):
            pantalla.una_ronda([c[2] for c in casos], muestras, [None] * len(casos),
                               PETICIONES_RONDA)
        filas = []
        for (nombre, tam, s), m in zip(casos, muestras):
            hwm, _ = s.memoria()
            filas.append((nombre, tam, statistics.median(m), bench.percentil(m, 99), hwm))
        for s in servidores:
            s.terminar()
        servidores = []
        os.sched_setaffinity(0, afinidad)

        print()
        print("GET /estado of one desk and of 8 (readers a second apart), %d rounds"
              " of %d requests per case, the cases in turn" % (RONDAS, PETICIONES_RONDA))
        print("%-34s %12s %10s %10s %14s" % ("case", "each log (B)", "p50 (ms)",
                                             "p99 (ms)", "peak RSS (MB)"))
        print("-" * 84)
        for nombre, tam, p50, p99, hwm in filas:
            print("%-34s %12s %10s %10s %14.1f" % (nombre, format(tam, ","),
                                                    pantalla.ms(p50), pantalla.ms(p99),
                                                    hwm / 1024.0))
        ocho = filas[3][2] / filas[2][2]
        largo = filas[3][2] / filas[1][2]
        pico = max(f[4] for f in filas)
        print()
        print("targets")
        for texto, cifra, cumplido, limite in (
                ("8 desks against one, 200 MB logs, p50", "%.2fx" % ocho,
                 ocho <= RAZON_OCHO, "within %gx" % RAZON_OCHO),
                ("8 desks, 200 MB logs against 1 KB, p50", "%.2fx" % largo,
                 max(largo, 1 / largo) <= RAZON_LARGO, "within %gx" % RAZON_LARGO),
                ("peak RSS, every server", "%.1f MB" % (pico / 1024.0),
                 pico <= MEMORIA_MAX_KIB, "<= 10 MB")):
            print("  %-50s %-12s %-11s %s" % (texto, cifra, limite,
                                               "met" if cumplido else "MISSED"))
    finally:
        pantalla.terminar_todo()
        shutil.rmtree(temporal, ignore_errors=True)


if __name__ == "__main__":
    main()
