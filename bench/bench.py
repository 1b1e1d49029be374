#!/usr/bin/env python3
"""Benchmarks for quenvaro, run by `make bench`.

Builds a release quenvaro (in build-bench/, apart from the test build) and
bench/referencia.c twice with gcc -O2 (as is, and with -DDURABLE: the same
design syncing every change to disk), generates every input in a temporary
folder that is removed at the end, and prints one table: median wall time
and peak memory of each workload for quenvaro, for the plain C programs of
the same design, and for the limit a tool like cat or wc sets; then the
latency of one registration with a short and a long queue. Standard
library only (and stdbuf from coreutils).

Wall time is measured around the whole pipeline (the program and the `cat`
that reads its output). Peak memory is the program's maximum resident set
as /usr/bin/time -v reports it (Debian package `time`). It cannot come from
os.wait4 here: a child forked from this script starts with the script's own
resident set, which the kernel carries into the child's high-water mark
across exec, and the script holds inputs far larger than quenvaro's 3 MB.
"""

import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TIEMPO = "/usr/bin/time"
RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONSTRUCCION = os.path.join(RAIZ, "build-bench")

DESCRIPCION = "Atencion General Quenvaro"
TAM_BITACORA = 200 * 1000 * 1000
TAM_BITACORA_CHICA = 20 * 1000 * 1000
TURNOS_RESTAURACION = 1000000
# With three fsyncs per command a day of 40,000 commands took some 21 s per
# run of a durable program here; a quarter of it keeps `make bench` within
# a couple of minutes, and the day's cost per command does not depend on
# its length (the queue never holds more than two turns).
REGISTROS_DIA = 5000
REGISTROS_STRACE = 2000
ESPERAS = (10, 1000, 100000)
# Latency of one registration: in each round every program is started on
# an N-line backup and does REGISTROS_RONDA timed registrations, each
# followed by a dispatch so the queue stays at N; the first few are not
# timed (start-up, the first file creations).
RONDAS_LATENCIA = 4
REGISTROS_RONDA = 50
REGISTROS_CALENTAR = 3

# The busy day takes seconds per run; everything else is well under one.
CORRIDAS_DIA = 5
CORRIDAS = 5
# Quenvaro and referencia are within a few per cent here; more runs keep
# the medians from trading places on the machine's noise.
CORRIDAS_RESTAURACION = 9


def avisar(texto):
    print(texto, file=sys.stderr, flush=True)


def ejecutar_o_salir(orden, **opciones):
    r = subprocess.run(orden, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                       **opciones)
    if r.returncode != 0:
        sys.stderr.write(r.stderr.decode(errors="replace"))
        sys.exit("bench: failed: " + " ".join(orden))


def construir(temporal):
    if shutil.which("cmake") is None or shutil.which("gcc") is None:
        sys.exit("bench: needs cmake and gcc (apt-get install cmake gcc g++ make)")
    avisar("building release quenvaro in build-bench/ ...")
    ejecutar_o_salir(["cmake", "-S", RAIZ, "-B", CONSTRUCCION,
                      "-DCMAKE_BUILD_TYPE=Release", "-DQUENVARO_TESTS=OFF"])
    ejecutar_o_salir(["cmake", "--build", CONSTRUCCION, "-j", "2"])
    fuente = os.path.join(RAIZ, "bench", "referencia.c")
    referencia = os.path.join(temporal, "referencia")
    durable = os.path.join(temporal, "referencia-durable")
    avisar("building bench/referencia.c with gcc -O2, as is and -DDURABLE ...")
    ejecutar_o_salir(["gcc", "-std=c99", "-O2", "-o", referencia, fuente])
    ejecutar_o_salir(["gcc", "-std=c99", "-O2", "-DDURABLE", "-o", durable,
                      fuente])
    return os.path.join(CONSTRUCCION, "quenvaro"), referencia, durable


# ------------------------------------------------------------------ inputs

def escribir(ruta, texto):
    with open(ruta, "w", newline="\n") as f:
        f.write(texto)


def entrada_dia(registros):
    """Each odd registration is followed by two dispatches, then a close."""
    trozos = []
    for i in range(1, registros + 1):
        trozos.append("1\nNombre\n")
        if i % 2 == 1:
            trozos.append("2\n2\n")
    trozos.append("4\n")
    return "".join(trozos)


def respaldo(turnos):
    return "".join("%d|%s\n" % (n, DESCRIPCION) for n in range(1, turnos + 1))


def bitacora(ruta, tam):
    linea = ("REG_SESSION  -> [2024-05-06 09:15:00] ID_SESION: 1234567 | "
             "USUARIO: Nombre del Beneficiario | TURNO: #1234567\n").encode()
    bloque = linea * 4000
    with open(ruta, "wb") as f:
        escrito = 0
        while escrito + len(bloque) <= tam:
            f.write(bloque)
            escrito += len(bloque)
        while escrito + len(linea) <= tam:
            f.write(linea)
            escrito += len(linea)


# ---------------------------------------------------------------- measuring

INFORME = None  # where /usr/bin/time writes, set once the temp folder exists


def pico(orden):
    """`orden` under /usr/bin/time, which leaves the peak in INFORME."""
    return [TIEMPO, "-v", "-o", INFORME] + orden


def leer_pico():
    with open(INFORME) as f:
        for linea in f:
            if "Maximum resident set size" in linea:
                return int(linea.rsplit(":", 1)[1])
    sys.exit("bench: no peak memory in the output of " + TIEMPO)


def una_corrida(orden, carpeta, entrada):
    """Runs `orden` in `carpeta` with stdin from the file `entrada` (or none)
    and stdout into a pipe drained by cat. Returns (seconds, peak KiB)."""
    lectura, escritura = os.pipe()
    stdin = open(entrada, "rb") if entrada else subprocess.DEVNULL
    try:
        inicio = time.perf_counter()
        programa = subprocess.Popen(pico(orden), cwd=carpeta, stdin=stdin,
                                    stdout=escritura)
        lector = subprocess.Popen(["cat"], stdin=lectura,
                                  stdout=subprocess.DEVNULL)
        os.close(escritura)
        os.close(lectura)
        programa.wait()
        lector.wait()
        segundos = time.perf_counter() - inicio
    finally:
        if entrada:
            stdin.close()
    if programa.returncode != 0:
        sys.exit("bench: %s exited with %d" % (orden[0], programa.returncode))
    return segundos, leer_pico()


def medir(orden, carpeta, entrada, corridas, preparar=None):
    """Median wall time and median peak memory over `corridas` runs;
    `preparar` puts the folder back in its starting state before each."""
    tiempos, memorias = [], []
    for _ in range(corridas):
        if preparar:
            preparar()
        t, m = una_corrida(orden, carpeta, entrada)
        tiempos.append(t)
        memorias.append(m)
    return statistics.median(tiempos), statistics.median(memorias)


def medir_juntos(casos, corridas):
    """Like medir for several (orden, carpeta, entrada, preparar) cases, run
    in turn within each round, so a slow spell of the machine (or of its
    disk) lands on all of them rather than on one."""
    tiempos = [[] for _ in casos]
    memorias = [[] for _ in casos]
    for _ in range(corridas):
        for i, (orden, carpeta, entrada, preparar) in enumerate(casos):
            if preparar:
                preparar()
            t, m = una_corrida(orden, carpeta, entrada)
            tiempos[i].append(t)
            memorias[i].append(m)
    return [(statistics.median(t), statistics.median(m))
            for t, m in zip(tiempos, memorias)]


def medir_sin_salida(orden, corridas):
    """For the limits that write nothing worth draining (wc -l)."""
    tiempos, memorias = [], []
    for _ in range(corridas):
        inicio = time.perf_counter()
        subprocess.run(pico(orden), stdout=subprocess.DEVNULL, check=True)
        tiempos.append(time.perf_counter() - inicio)
        memorias.append(leer_pico())
    return statistics.median(tiempos), statistics.median(memorias)


def asentar():
    """Writes out every dirty page before a workload, so the disk is not
    still busy with the previous one's files while it is timed."""
    os.sync()


def vaciar(carpeta):
    for nombre in os.listdir(carpeta):
        os.remove(os.path.join(carpeta, nombre))


def sin_marcas(texto):
    """Drops the bracketed timestamps, so two logs of one workload compare."""
    salida = []
    for linea in texto.splitlines():
        a, b = linea.find("["), linea.find("]")
        salida.append(linea[:a] + linea[b + 1:] if 0 <= a < b else linea)
    return salida


# ----------------------------------------------------------- system calls

def contar_llamadas(orden, carpeta, entrada, comandos, temporal):
    """System calls per command under strace -f -c, by call name."""
    salida = os.path.join(temporal, "strace.txt")
    with open(entrada, "rb") as f:
        subprocess.run(["strace", "-f", "-c", "-o", salida] + orden, cwd=carpeta,
                       stdin=f, stdout=subprocess.DEVNULL, check=True)
    cuentas = {}
    with open(salida) as f:
        for linea in f:
            campos = linea.split()
            # "% time seconds usecs/call calls [errors] syscall"
            if len(campos) >= 5 and campos[0][0].isdigit() and campos[-1] != "total":
                cuentas[campos[-1]] = int(campos[3])
    return {k: v / comandos for k, v in cuentas.items()}


# ------------------------------------------------- latency of a registration

def esperar(salida, marca, resto):
    """Reads the program's output until `marca`; returns what followed it."""
    while marca not in resto:
        trozo = os.read(salida, 65536)
        if not trozo:
            sys.exit("bench: the program ended before printing %r" % marca)
        resto = resto[-len(marca):] + trozo
    return resto[resto.index(marca) + len(marca):]


def latencias(orden, confirmacion, carpeta, original, registros):
    """Starts `orden` in `carpeta` on a copy of the backup `original`, then
    sends `registros` registrations, each followed by a dispatch, one
    command at a time through a pipe. The latency of a registration runs
    from writing its option and name to reading `confirmacion`."""
    vaciar(carpeta)
    shutil.copy(original, os.path.join(carpeta, "cola_respaldo.txt"))
    programa = subprocess.Popen(orden, cwd=carpeta, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, bufsize=0)
    entrada, salida = programa.stdin.fileno(), programa.stdout.fileno()
    resto, medidas = b"", []
    for i in range(REGISTROS_CALENTAR + registros):
        inicio = time.perf_counter()
        os.write(entrada, b"1\nX\n")
        resto = esperar(salida, confirmacion, resto)
        if i >= REGISTROS_CALENTAR:
            medidas.append(time.perf_counter() - inicio)
        os.write(entrada, b"2\n")
        resto = esperar(salida, b">> Atendiendo", resto)
    os.write(entrada, b"4\n")
    programa.stdin.close()
    programa.stdout.read()
    if programa.wait() != 0:
        sys.exit("bench: %s exited with %d" % (orden[-1], programa.returncode))
    return medidas


def percentil(valores, p):
    """Nearest rank: the smallest value with p per cent of them at or below."""
    orden = sorted(valores)
    return orden[max(0, math.ceil(p / 100.0 * len(orden)) - 1)]


# ------------------------------------------------------------------- report

FILAS = []
OBJETIVOS = []


def fila(carga, quien, segundos, kib, nota="", objetivos=()):
    """One program's figures. `nota` compares quenvaro with this row's
    program; `objetivos` lists the comparisons that are targets, each as
    (limit, what it bounds, figure, met), and the row then says so."""
    FILAS.append((carga, quien, segundos, kib, nota, objetivos))
    OBJETIVOS.extend(objetivos)


def imprimir_tabla():
    print("%-28s %-20s %8s %9s  %-34s %s" % (
        "workload", "program", "wall (s)", "peak (MB)", "quenvaro against it",
        "target"))
    print("-" * 118)
    anterior = None
    for carga, quien, segundos, kib, nota, objetivos in FILAS:
        if anterior is not None and carga != anterior:
            print()
        if objetivos:
            meta = "%s: %s" % (", ".join(o[0] for o in objetivos),
                               "met" if all(o[3] for o in objetivos) else "MISSED")
        else:
            meta = "no target" if nota else ""
        print(("%-28s %-20s %8.4f %9.1f  %-34s %s" % (
            carga if carga != anterior else "", quien, segundos, kib / 1024.0,
            nota, meta)).rstrip())
        anterior = carga


def main():
    with open("/proc/loadavg") as f:
        carga_inicial = f.read().split()[:3]
    if not os.access(TIEMPO, os.X_OK):
        sys.exit("bench: %s is missing; install it with: apt-get install time"
                 % TIEMPO)
    if shutil.which("stdbuf") is None:
        sys.exit("bench: stdbuf is missing; install it with: apt-get install coreutils")
    global INFORME
    temporal = tempfile.mkdtemp(prefix="quenvaro-bench-")
    INFORME = os.path.join(temporal, "tiempo.txt")
    try:
        quenvaro, referencia, durable = construir(temporal)

        def carpeta(nombre):
            ruta = os.path.join(temporal, nombre)
            os.makedirs(ruta, exist_ok=True)
            return ruta

        # ---------------------------------------------------- busy day
        comandos = REGISTROS_DIA * 2
        avisar("busy day: %d registrations, %d commands ..."
               % (REGISTROS_DIA, comandos))
        entrada = os.path.join(temporal, "dia.txt")
        escribir(entrada, entrada_dia(REGISTROS_DIA))
        dq, dd, dr = carpeta("dia-q"), carpeta("dia-d"), carpeta("dia-r")
        asentar()
        (tq, mq), (td, md), (tr, mr) = medir_juntos(
            [([quenvaro], dq, entrada, lambda: vaciar(dq)),
             ([durable], dd, entrada, lambda: vaciar(dd)),
             ([referencia], dr, entrada, lambda: vaciar(dr))], CORRIDAS_DIA)
        # Same file work: the same log records and the same final backup.
        for otra in (dd, dr):
            for nombre in ("bitacora.txt", "cola_respaldo.txt"):
                with open(os.path.join(dq, nombre)) as a, \
                        open(os.path.join(otra, nombre)) as b:
                    if sin_marcas(a.read()) != sin_marcas(b.read()):
                        sys.exit("bench: quenvaro and referencia left different "
                                 + nombre)
        carga = "busy day (%s commands)" % format(comandos, ",")
        fila(carga, "quenvaro", tq, mq)
        fila(carga, "referencia durable", td, md, "%.2fx its time" % (tq / td),
             [("<= 1.15x", "busy day <= 1.15x referencia durable",
               "%.2fx" % (tq / td), tq / td <= 1.15)])
        fila(carga, "referencia", tr, mr, "%.2fx its time" % (tq / tr))

        # ---------------------------------------- system calls per command
        if shutil.which("strace"):
            avisar("system calls per command (strace -f -c) ...")
            chica = os.path.join(temporal, "dia-chico.txt")
            escribir(chica, entrada_dia(REGISTROS_STRACE))
            llamadas = []
            for programa, c in ((quenvaro, dq), (durable, dd), (referencia, dr)):
                vaciar(c)
                llamadas.append(contar_llamadas([programa], c, chica,
                                                REGISTROS_STRACE * 2 + 1,
                                                temporal))
        else:
            llamadas = None

        # ------------------------------------------------------ display
        avisar("display: writing a %d MB log ..." % (TAM_BITACORA // 10**6))
        bq, br = carpeta("bit-q"), carpeta("bit-r")
        log = os.path.join(bq, "bitacora.txt")
        bitacora(log, TAM_BITACORA)
        shutil.copy(log, os.path.join(br, "bitacora.txt"))
        tam_log = os.path.getsize(log)
        ver = os.path.join(temporal, "ver.txt")
        escribir(ver, "3\n4\n")

        def recortar(ruta):
            # Option 4 appends its summary; cut the log back to its size.
            return lambda: os.truncate(ruta, tam_log)

        asentar()
        (tq, mq), (tr, mr), (tc, mc) = medir_juntos(
            [([quenvaro], bq, ver, recortar(log)),
             ([referencia], br, ver, recortar(os.path.join(br, "bitacora.txt"))),
             (["cat", log], bq, None, None)], CORRIDAS)
        carga = "display of a 200 MB log"
        fila(carga, "quenvaro", tq, mq)
        fila(carga, "referencia (fgetc)", tr, mr, "%.1fx faster" % (tr / tq),
             [(">= 2x faster", "display >= 2x faster than referencia",
               "%.1fx" % (tr / tq), tr / tq >= 2)])
        fila(carga, "cat log | cat", tc, mc, "%.2fx its time" % (tq / tc),
             [("<= 3x", "display within 3x of cat log | cat",
               "%.2fx" % (tq / tc), tq / tc <= 3)])
        # Memory must not follow the log's size: the same display of a log
        # a tenth as large.
        bc = carpeta("bit-chica")
        chica = os.path.join(bc, "bitacora.txt")
        bitacora(chica, TAM_BITACORA_CHICA)
        tam_chica = os.path.getsize(chica)
        asentar()
        t2, m2 = medir([quenvaro], bc, ver, CORRIDAS,
                       lambda: os.truncate(chica, tam_chica))
        fila("display of a 20 MB log", "quenvaro", t2, m2,
             "%+.1f MB at 200 MB" % ((mq - m2) / 1024.0),
             [("flat memory", "display memory flat (200 MB vs 20 MB log)",
               "%+.1f MB" % ((mq - m2) / 1024.0), mq - m2 <= 1024)])
        for ruta in (log, os.path.join(br, "bitacora.txt"), chica):
            os.remove(ruta)

        # ------------------------------------------------------ restore
        avisar("restore: %d-line backup ..." % TURNOS_RESTAURACION)
        rq, rr = carpeta("res-q"), carpeta("res-r")
        escribir(os.path.join(rq, "cola_respaldo.txt"), respaldo(TURNOS_RESTAURACION))
        shutil.copy(os.path.join(rq, "cola_respaldo.txt"), rr)
        cerrar = os.path.join(temporal, "cerrar.txt")
        escribir(cerrar, "4\n")

        def sin_bitacora(c):
            def quitar():
                ruta = os.path.join(c, "bitacora.txt")
                if os.path.exists(ruta):
                    os.remove(ruta)
            return quitar

        asentar()
        (tq, mq), (tr, mr) = medir_juntos(
            [([quenvaro], rq, cerrar, sin_bitacora(rq)),
             ([referencia], rr, cerrar, sin_bitacora(rr))], CORRIDAS_RESTAURACION)
        tw, mw = medir_sin_salida(["wc", "-l", os.path.join(rq, "cola_respaldo.txt")],
                                  CORRIDAS)
        carga = "restore of 1,000,000 turns"
        fila(carga, "quenvaro", tq, mq)
        fila(carga, "referencia", tr, mr,
             "%.3fx its time, %.3fx its memory" % (tq / tr, mq / mr),
             [("<= 1x", "restore no slower than referencia",
               "%.3fx" % (tq / tr), tq <= tr),
              ("<= 1.10x", "restore memory within 10% of referencia",
               "%.3fx" % (mq / mr), mq <= 1.10 * mr)])
        fila(carga, "wc -l backup", tw, mw, "%.0fx its time" % (tq / tw))
        vaciar(rq)
        vaciar(rr)

        # ------------------------------------- one registration, N waiting
        avisar("latency of one registration with %s turns waiting ..."
               % ", ".join(str(n) for n in ESPERAS))
        # referencia never flushes its stdout, so in a pipe its confirmation
        # would leave only when 4 KiB have gathered; stdbuf -oL makes stdio
        # write each line as it is completed. Quenvaro flushes before every
        # read, so its confirmation leaves with the next prompt.
        programas = (
            ([quenvaro], b">> [AUTOMATIZACION]"),
            (["stdbuf", "-oL", durable], b">> Sesion"),
            (["stdbuf", "-oL", referencia], b">> Sesion"))
        latencia = []
        for n in ESPERAS:
            original = os.path.join(temporal, "respaldo-%d.txt" % n)
            escribir(original, respaldo(n))
            c = carpeta("latencia")
            medidas = [[] for _ in programas]
            asentar()
            for _ in range(RONDAS_LATENCIA):
                for i, (orden, confirmacion) in enumerate(programas):
                    medidas[i] += latencias(orden, confirmacion, c, original,
                                            REGISTROS_RONDA)
            latencia.append((n, [(statistics.median(m), percentil(m, 99))
                                 for m in medidas]))
            os.remove(original)

        # ------------------------------------------------------- report
        with open("/proc/loadavg") as f:
            carga_final = f.read().split()[:3]
        print()
        imprimir_tabla()
        print()
        muestras = RONDAS_LATENCIA * REGISTROS_RONDA
        print("latency of one registration (ms), each followed by a dispatch;"
              " %d per case; no target" % muestras)
        print("  %-14s%s" % ("", "".join("%22s" % q for q in (
            "quenvaro", "referencia durable", "referencia"))))
        print("  %-14s%s" % ("turns waiting", "%12s %9s" % ("median", "p99") * 3))
        for n, cifras in latencia:
            print("  %-14s%s" % (format(n, ","), "".join(
                "%12.3f %9.3f" % (med * 1000, p99 * 1000) for med, p99 in cifras)))
        print()
        print("targets")
        for _, texto, cifra, cumplido in OBJETIVOS:
            print("  %-46s %-8s %s" % (texto, cifra, "met" if cumplido else "MISSED"))
        print()
        if llamadas is not None:
            print("system calls per command, busy day of %d commands (strace -f -c)"
                  % (REGISTROS_STRACE * 2 + 1))
            nombres = sorted(set().union(*llamadas),
                             key=lambda k: -sum(ll.get(k, 0) for ll in llamadas))
            print("  %-14s %10s %11s %11s" % ("call", "quenvaro", "ref. durable",
                                              "referencia"))
            for k in nombres:
                cifras = [ll.get(k, 0) for ll in llamadas]
                if max(cifras) >= 0.01:
                    print("  %-14s %10.2f %11.2f %11.2f" % tuple([k] + cifras))
            print("  %-14s %10.2f %11.2f %11.2f" % tuple(
                ["total"] + [sum(ll.values()) for ll in llamadas]))
        else:
            print("system calls per command: strace not found "
                  "(apt-get install strace to count them)")
        print()
        print("load average at start %s, at end %s; times are medians of"
              " %d runs (busy day %d, restore %d)"
              % (" ".join(carga_inicial), " ".join(carga_final), CORRIDAS,
                 CORRIDAS_DIA, CORRIDAS_RESTAURACION))
    finally:
        shutil.rmtree(temporal, ignore_errors=True)


if __name__ == "__main__":
    main()
