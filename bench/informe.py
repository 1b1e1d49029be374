#!/usr/bin/env python3
"""Benchmark of quenvaro-informe, run by `make bench` after bench/bench.py.

Builds the release programs in build-bench/ (as bench/bench.py does),
writes a 200 MB, a 60 MB and a 20 MB event log of busy days in a temporary
folder that is removed at the end, and prints the median wall time of the
text report, --csv and --html beside `wc -l` on the same file, and their
peak memory (/usr/bin/time -v) on each log. Then it writes 100 desks' logs
of 2 MB each over the same days and times the report of all of them
together beside the report of the 200 MB log. Standard library only.
"""

import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TIEMPO = "/usr/bin/time"
RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONSTRUCCION = os.path.join(RAIZ, "build-bench")

TAM_GRANDE = 200 * 1000 * 1000
TAM_MEDIO = 60 * 1000 * 1000
TAM_CHICO = 20 * 1000 * 1000
REGISTROS_DIA = 20000   # a busy day
ARRASTRADOS = 40        # turns of each day attended the next morning
CORRIDAS = 5

# Times: the report must stay within LIMITE times wc -l, and aims for META.
LIMITE = 8.0
META = 4.0
MEMORIA_MAX_KIB = 20 * 1024
# Peak memory of the 200 MB log may exceed the 20 MB one's by this much.
MEMORIA_HOLGURA_KIB = 512
# The page on the 60 MB log: at most this many times the text report, in
# at most this much memory.
PAGINA_LIMITE = 1.3
PAGINA_MEMORIA_MAX_KIB = 10 * 1024

# 100 desks of 2 MB each: their report together within MESAS_LIMITE times
# the 200 MB log's, in at most MESAS_MEMORIA_MAX_KIB.
MESAS = 100
TAM_MESA = 2 * 1000 * 1000
REGISTROS_MESA = 400    # a desk's day
MESAS_LIMITE = 1.2
MESAS_MEMORIA_MAX_KIB = 10 * 1024

NOMBRES = ["Ana Maria Lopez", "Beto Perez", "Carmen Rojas Diaz", "Diego Sanchez",
           "Elena Gomez", "Fernando Ruiz Castillo", "Gabriela Torres",
           "Hugo Martinez", "Isabel Navarro", "Jorge Herrera Vega"]


def avisar(texto):
    print(texto, file=sys.stderr, flush=True)


def ejecutar_o_salir(orden):
    r = subprocess.run(orden, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if r.returncode != 0:
        sys.stderr.write(r.stderr.decode(errors="replace"))
        sys.exit("bench: failed: " + " ".join(orden))


def construir():
    if shutil.which("cmake") is None:
        sys.exit("bench: needs cmake (apt-get install cmake g++ make)")
    avisar("building release quenvaro-informe in build-bench/ ...")
    ejecutar_o_salir(["cmake", "-S", RAIZ, "-B", CONSTRUCCION,
                      "-DCMAKE_BUILD_TYPE=Release", "-DQUENVARO_TESTS=OFF"])
    ejecutar_o_salir(["cmake", "--build", CONSTRUCCION, "-j", "2",
                      "--target", "quenvaro-informe"])
    return os.path.join(CONSTRUCCION, "quenvaro-informe")


# ------------------------------------------------------------------ inputs

def marca(dia, segundos):
    return "%s %02d:%02d:%02d" % (dia, segundos // 3600, segundos // 60 % 60,
                                   segundos % 60)


def un_dia(fecha, azar, arrastrados, registros=REGISTROS_DIA):
    """The lines of one busy day, from 08:00 to 18:00: the turns carried
    over from the day before are attended first, then REGISTROS_DIA
    registrations, each attended some minutes later, all but the last
    ARRASTRADOS; a few turns restored from a backup, with no registration
    in the log; the close. Returns the lines and the turns left waiting."""
    lineas = []
    for turno in arrastrados:
        lineas.append((8 * 3600, "FREE_TURNO   -> [%s] DESPACHADO: Turno #%d | "
                       "STATUS: Atendido" % (marca(fecha, 8 * 3600), turno)))
    paso = 36000 // registros
    for n in range(1, registros + 1):
        t = 8 * 3600 + n * paso + azar.randrange(paso)
        lineas.append((t, "REG_SESSION  -> [%s] ID_SESION: %d | USUARIO: %s | "
                       "TURNO: #%d" % (marca(fecha, t), n, azar.choice(NOMBRES), n)))
        if n <= registros - ARRASTRADOS:
            a = min(t + 60 + azar.randrange(1800), 18 * 3600 - 1)
            lineas.append((a, "FREE_TURNO   -> [%s] DESPACHADO: Turno #%d | "
                           "STATUS: Atendido" % (marca(fecha, a), n)))
    for turno in (registros + 1, registros + 2):
        lineas.append((12 * 3600, "FREE_TURNO   -> [%s] DESPACHADO: Turno #%d | "
                       "STATUS: Atendido" % (marca(fecha, 12 * 3600), turno)))
    lineas.sort(key=lambda par: par[0])
    lineas.append((18 * 3600, "SYS_SHUTDOWN -> [%s] RESUMEN JORNADA: %d Sesiones | "
                   "%d Turnos Emitidos" % (marca(fecha, 18 * 3600), registros,
                                           registros)))
    texto = "".join(l + "\n" for _, l in lineas).encode()
    return texto, range(registros - ARRASTRADOS + 1, registros + 1)


def bitacora(ruta, tam, registros=REGISTROS_DIA, semilla=11):
    """Busy days of `registros` registrations in date order from 2020-01-01
    until the log reaches `tam` bytes (whole days). Returns the number of
    days."""
    import datetime
    azar = random.Random(semilla)
    fecha = datetime.date(2020, 1, 1)
    arrastrados = []
    escrito = dias = 0
    with open(ruta, "wb") as f:
        while escrito < tam:
            texto, arrastrados = un_dia(fecha.isoformat(), azar, arrastrados,
                                        registros)
            f.write(texto)
            escrito += len(texto)
            dias += 1
            fecha += datetime.timedelta(days=1)
    return dias


# ---------------------------------------------------------------- measuring

def una_corrida(orden, informe):
    """Wall seconds and peak KiB of `orden`, its output discarded."""
    inicio = time.perf_counter()
    r = subprocess.run([TIEMPO, "-v", "-o", informe] + orden,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    segundos = time.perf_counter() - inicio
    if r.returncode != 0:
        sys.stderr.write(r.stderr.decode(errors="replace"))
        sys.exit("bench: %s exited with %d" % (orden[0], r.returncode))
    with open(informe) as f:
        for linea in f:
            if "Maximum resident set size" in linea:
                return segundos, int(linea.rsplit(":", 1)[1])
    sys.exit("bench: no peak memory in the output of " + TIEMPO)


def medir_juntos(ordenes, informe):
    """Median wall time and peak memory of each order over CORRIDAS rounds,
    the orders run in turn within a round."""
    tiempos = [[] for _ in ordenes]
    memorias = [[] for _ in ordenes]
    for _ in range(CORRIDAS):
        for i, orden in enumerate(ordenes):
            t, m = una_corrida(orden, informe)
            tiempos[i].append(t)
            memorias[i].append(m)
    return [(statistics.median(t), statistics.median(m))
            for t, m in zip(tiempos, memorias)]


def medir_mesas(programa, grande, temporal, informe, filas, objetivos):
    """Times the report of MESAS desks' logs of TAM_MESA bytes together
    beside the report of the log `grande`, and adds its rows and targets."""
    carpeta = os.path.join(temporal, "mesas")
    os.mkdir(carpeta)
    avisar("writing %d desks' logs of %d MB ..." % (MESAS, TAM_MESA // 1000000))
    rutas = []
    for m in range(MESAS):
        ruta = os.path.join(carpeta, "mesa%03d.txt" % (m + 1))
        dias = bitacora(ruta, TAM_MESA, REGISTROS_MESA, 1000 + m)
        rutas.append(ruta)
    total = sum(os.path.getsize(r) for r in rutas) / 1e6
    for r in rutas:
        subprocess.run(["wc", "-l", r], stdout=subprocess.DEVNULL, check=True)
    avisar("timing the report of all desks beside the 200 MB log ...")
    (tg, mg), (tm, mm), (tc, mc) = medir_juntos(
        [[programa, grande], [programa] + rutas, [programa, "--csv"] + rutas],
        informe)
    carga = "%d desks (%.0f MB, %d days)" % (MESAS, total, dias)
    filas.append((carga, "quenvaro-informe", tm, mm,
                  "%.2fx the 200 MB log's %.4f s" % (tm / tg, tg)))
    filas.append((carga, "quenvaro-informe --csv", tc, mc, ""))
    objetivos.append(("%d desks of 2 MB within %gx one 200 MB log" % (MESAS, MESAS_LIMITE),
                      max(tm, tc) <= MESAS_LIMITE * tg, "%.2fx" % (max(tm, tc) / tg)))
    objetivos.append(("%d desks in at most %d MB" % (MESAS, MESAS_MEMORIA_MAX_KIB // 1024),
                      max(mm, mc) <= MESAS_MEMORIA_MAX_KIB,
                      "%.1f MB" % (max(mm, mc) / 1024.0)))
    shutil.rmtree(carpeta, ignore_errors=True)


def main():
    if not os.access(TIEMPO, os.X_OK):
        sys.exit("bench: %s is missing; install it with: apt-get install time"
                 % TIEMPO)
    informe_programa = construir()
    temporal = tempfile.mkdtemp(prefix="quenvaro-bench-informe-")
    try:
        informe = os.path.join(temporal, "tiempo.txt")
        filas, objetivos = [], []
        memorias = {}
        for nombre, tam in (("200 MB", TAM_GRANDE), ("60 MB", TAM_MEDIO),
                            ("20 MB", TAM_CHICO)):
            ruta = os.path.join(temporal, "bitacora.txt")
            avisar("writing a %s log of busy days ..." % nombre)
            dias = bitacora(ruta, tam)
            mb = os.path.getsize(ruta) / 1e6
            # One run first, so the log is in the page cache for every program.
            subprocess.run(["wc", "-l", ruta], stdout=subprocess.DEVNULL, check=True)
            avisar("timing quenvaro-informe and wc -l on it ...")
            (ti, mi), (tc, mcsv), (th, mh), (tw, mw) = medir_juntos(
                [[informe_programa, ruta], [informe_programa, "--csv", ruta],
                 [informe_programa, "--html", ruta], ["wc", "-l", ruta]], informe)
            carga = "%s log (%.0f MB, %d days)" % (nombre, mb, dias)
            filas.append((carga, "quenvaro-informe", ti, mi, "%.1fx wc -l" % (ti / tw)))
            filas.append((carga, "quenvaro-informe --csv", tc, mcsv, "%.1fx wc -l" % (tc / tw)))
            filas.append((carga, "quenvaro-informe --html", th, mh,
                          "%.1fx wc -l, %.2fx the text" % (th / tw, th / ti)))
            filas.append((carga, "wc -l", tw, mw, ""))
            memorias[nombre] = max(mi, mcsv, mh)
            if tam == TAM_GRANDE:
                peor = max(ti, tc, th) / tw
                objetivos.append(("200 MB log within %gx wc -l (aim %gx)" % (LIMITE, META),
                                  peor <= LIMITE, "%.1fx" % peor))
            if tam == TAM_MEDIO:
                objetivos.append(("60 MB page within %gx the text report" % PAGINA_LIMITE,
                                  th <= PAGINA_LIMITE * ti, "%.2fx" % (th / ti)))
                objetivos.append(("60 MB page in at most %d MB" % (PAGINA_MEMORIA_MAX_KIB // 1024),
                                  mh <= PAGINA_MEMORIA_MAX_KIB, "%.1f MB" % (mh / 1024.0)))
            if tam == TAM_GRANDE:
                medir_mesas(informe_programa, ruta, temporal, informe,
                                     filas, objetivos)
            os.remove(ruta)
        objetivos.append(("peak memory under 20 MB", memorias["200 MB"] < MEMORIA_MAX_KIB,
                          "%.1f MB" % (memorias["200 MB"] / 1024.0)))
        crece = memorias["200 MB"] - memorias["20 MB"]
        objetivos.append(("same memory on 20 MB and 200 MB",
                          crece <= MEMORIA_HOLGURA_KIB, "%+.1f MB" % (crece / 1024.0)))

        print()
        print("%-32s %-25s %10s %10s  %s" % ("workload", "program", "wall (s)",
                                              "peak (MB)", ""))
        print("-" * 90)
        anterior = None
        for carga, quien, segundos, kib, nota in filas:
            if anterior is not None and carga != anterior:
                print()
            print("%-32s %-25s %10.4f %10.1f  %s" % (
                carga if carga != anterior else "", quien, segundos, kib / 1024.0, nota))
            anterior = carga
        print()
        print("targets")
        for texto, cumplido, valor in objetivos:
            print("  %-46s %-8s %s" % (texto, valor, "met" if cumplido else "MISSED"))
        print("\nfigures are medians of %d runs" % CORRIDAS)
    finally:
        shutil.rmtree(temporal, ignore_errors=True)


if __name__ == "__main__":
    main()
