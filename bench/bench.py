#!/usr/bin/env python3
"""Benchmarks for quenvaro, run by `make bench`.

Builds a release quenvaro (in build-bench/, apart from the test build) and
bench/referencia.c (gcc -O2), generates every input in a temporary folder
that is removed at the end, and prints one table: median wall time and peak
memory of each workload for quenvaro, for the plain C program of the same
design, and for the limit a tool like cat or wc sets. Standard library only.

Wall time is measured around the whole pipeline (the program and the `cat`
that reads its output). Peak memory is the program's maximum resident set
as /usr/bin/time -v reports it (Debian package `time`). It cannot come from
os.wait4 here: a child forked from this script starts with the script's own
resident set, which the kernel carries into the child's high-water mark
across exec, and the script holds inputs far larger than quenvaro's 3 MB.
"""

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
REGISTROS_DIA = 20000
REGISTROS_STRACE = 2000
ESPERAS = (10, 1000, 100000)

# The busy day takes seconds per run; everything else is well under one.
CORRIDAS_DIA = 3
CORRIDAS = 5
CORRIDAS_CORTAS = 11
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
    referencia = os.path.join(temporal, "referencia")
    avisar("building bench/referencia.c with gcc -O2 ...")
    ejecutar_o_salir(["gcc", "-std=c99", "-O2", "-o", referencia,
                      os.path.join(RAIZ, "bench", "referencia.c")])
    return os.path.join(CONSTRUCCION, "quenvaro"), referencia


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


# ------------------------------------------------------------------- report

FILAS = []


def fila(carga, quien, segundos, kib, nota=""):
    FILAS.append((carga, quien, segundos, kib, nota))


def imprimir_tabla():
    print("%-34s %-24s %10s %10s  %s" % ("workload", "program", "wall (s)",
                                          "peak (MB)", ""))
    print("-" * 96)
    anterior = None
    for carga, quien, segundos, kib, nota in FILAS:
        if anterior is not None and carga != anterior:
            print()
        memoria = "%10.1f" % (kib / 1024.0) if kib is not None else "%10s" % "-"
        print("%-34s %-24s %10.4f %s  %s" % (carga if carga != anterior else "",
                                             quien, segundos, memoria, nota))
        anterior = carga


def main():
    with open("/proc/loadavg") as f:
        carga_inicial = f.read().split()[:3]
    if not os.access(TIEMPO, os.X_OK):
        sys.exit("bench: %s is missing; install it with: apt-get install time"
                 % TIEMPO)
    global INFORME
    temporal = tempfile.mkdtemp(prefix="quenvaro-bench-")
    INFORME = os.path.join(temporal, "tiempo.txt")
    try:
        quenvaro, referencia = construir(temporal)
        objetivos = []

        def carpeta(nombre):
            ruta = os.path.join(temporal, nombre)
            os.makedirs(ruta, exist_ok=True)
            return ruta

        # ---------------------------------------------------- busy day
        avisar("busy day: %d registrations, %d commands ..."
               % (REGISTROS_DIA, REGISTROS_DIA * 2))
        entrada = os.path.join(temporal, "dia.txt")
        escribir(entrada, entrada_dia(REGISTROS_DIA))
        dq, dr = carpeta("dia-q"), carpeta("dia-r")
        (tq, mq), (tr, mr) = medir_juntos(
            [([quenvaro], dq, entrada, lambda: vaciar(dq)),
             ([referencia], dr, entrada, lambda: vaciar(dr))], CORRIDAS_DIA)
        # Same file work: the same log records and the same final backup.
        for nombre in ("bitacora.txt", "cola_respaldo.txt"):
            with open(os.path.join(dq, nombre)) as a, open(os.path.join(dr, nombre)) as b:
                if sin_marcas(a.read()) != sin_marcas(b.read()):
                    sys.exit("bench: quenvaro and referencia left different " + nombre)
        carga = "busy day (40,000 commands)"
        fila(carga, "quenvaro", tq, mq, "%.2fx referencia" % (tq / tr))
        fila(carga, "referencia", tr, mr)
        objetivos.append(("busy day <= 1.25x referencia", tq / tr <= 1.25,
                          "%.2fx" % (tq / tr)))

        # ---------------------------------------- system calls per command
        if shutil.which("strace"):
            avisar("system calls per command (strace -f -c) ...")
            chica = os.path.join(temporal, "dia-chico.txt")
            escribir(chica, entrada_dia(REGISTROS_STRACE))
            comandos = REGISTROS_STRACE * 2 + 1
            vaciar(dq)
            vaciar(dr)
            llq = contar_llamadas([quenvaro], dq, chica, comandos, temporal)
            llr = contar_llamadas([referencia], dr, chica, comandos, temporal)
        else:
            llq = llr = None

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

        (tq, mq), (tr, mr), (tc, mc) = medir_juntos(
            [([quenvaro], bq, ver, recortar(log)),
             ([referencia], br, ver, recortar(os.path.join(br, "bitacora.txt"))),
             (["cat", log], bq, None, None)], CORRIDAS)
        carga = "display of a 200 MB log"
        fila(carga, "quenvaro", tq, mq, "%.2fx cat, referencia / quenvaro = %.1f"
             % (tq / tc, tr / tq))
        fila(carga, "referencia (fgetc)", tr, mr)
        fila(carga, "cat log | cat", tc, mc)
        objetivos.append(("display >= 2x faster than referencia", tr / tq >= 2,
                          "%.1fx" % (tr / tq)))
        objetivos.append(("display within 3x of cat log | cat", tq / tc <= 3,
                          "%.2fx" % (tq / tc)))
        # Memory must not follow the log's size: the same display of a log
        # a tenth as large.
        bc = carpeta("bit-chica")
        chica = os.path.join(bc, "bitacora.txt")
        bitacora(chica, TAM_BITACORA_CHICA)
        tam_chica = os.path.getsize(chica)
        t2, m2 = medir([quenvaro], bc, ver, CORRIDAS,
                       lambda: os.truncate(chica, tam_chica))
        fila("display of a 20 MB log", "quenvaro", t2, m2)
        objetivos.append(("display memory flat (200 MB vs 20 MB log)",
                          mq - m2 <= 1024, "%+.1f MB" % ((mq - m2) / 1024.0)))
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

        (tq, mq), (tr, mr) = medir_juntos(
            [([quenvaro], rq, cerrar, sin_bitacora(rq)),
             ([referencia], rr, cerrar, sin_bitacora(rr))], CORRIDAS_RESTAURACION)
        tw, mw = medir_sin_salida(["wc", "-l", os.path.join(rq, "cola_respaldo.txt")],
                                  CORRIDAS)
        carga = "restore of 1,000,000 turns"
        fila(carga, "quenvaro", tq, mq, "%.2fx referencia time, %.3fx its memory"
             % (tq / tr, mq / mr))
        fila(carga, "referencia", tr, mr)
        fila(carga, "wc -l backup", tw, mw)
        objetivos.append(("restore no slower than referencia", tq <= tr,
                          "%.3fx" % (tq / tr)))
        objetivos.append(("restore memory within 10% of referencia",
                          mq <= 1.10 * mr, "%.3fx" % (mq / mr)))
        vaciar(rq)
        vaciar(rr)

        # ------------------------------------- one registration, N waiting
        avisar("one registration with %s turns waiting ..."
               % ", ".join(str(n) for n in ESPERAS))
        uno = os.path.join(temporal, "uno.txt")
        escribir(uno, "1\nX\n4\n")
        for n in ESPERAS:
            original = os.path.join(temporal, "respaldo-%d.txt" % n)
            escribir(original, respaldo(n))
            corridas = CORRIDAS_CORTAS if n <= 1000 else CORRIDAS
            carga = "registration, %s waiting" % format(n, ",")
            casos, quienes = [], ("quenvaro", "referencia")
            for quien, programa in zip(quienes, (quenvaro, referencia)):
                c = carpeta("reg-%d-%s" % (n, quien))

                def preparar(c=c):
                    vaciar(c)
                    shutil.copy(original, os.path.join(c, "cola_respaldo.txt"))

                casos.append(([programa], c, cerrar, preparar))
                casos.append(([programa], c, uno, preparar))
            medidas = medir_juntos(casos, corridas)
            for i, quien in enumerate(quienes):
                (tsolo, msolo), (tuno, muno) = medidas[2 * i], medidas[2 * i + 1]
                fila(carga, quien + " restore only", tsolo, msolo)
                fila(carga, quien + " restore + reg.", tuno, muno,
                     "registration alone ~ %.2f ms" % ((tuno - tsolo) * 1000))

        # ------------------------------------------------------- report
        with open("/proc/loadavg") as f:
            carga_final = f.read().split()[:3]
        print()
        imprimir_tabla()
        print()
        print("targets")
        for texto, cumplido, valor in objetivos:
            print("  %-46s %-8s %s" % (texto, valor, "met" if cumplido else "MISSED"))
        print()
        if llq is not None:
            print("system calls per command, busy day of %d commands (strace -f -c)"
                  % (REGISTROS_STRACE * 2 + 1))
            nombres = sorted(set(llq) | set(llr),
                             key=lambda k: -(llq.get(k, 0) + llr.get(k, 0)))
            print("  %-14s %10s %11s" % ("call", "quenvaro", "referencia"))
            for k in nombres:
                a, b = llq.get(k, 0), llr.get(k, 0)
                if a >= 0.01 or b >= 0.01:
                    print("  %-14s %10.2f %11.2f" % (k, a, b))
            print("  %-14s %10.2f %11.2f" % ("total", sum(llq.values()),
                                            sum(llr.values())))
        else:
            print("system calls per command: strace not found "
                  "(apt-get install strace to count them)")
        print()
        print("load average at start %s, at end %s; figures are medians of"
              " %d runs (busy day %d, restore %d, registrations with up to"
              " 1,000 waiting %d)"
              % (" ".join(carga_inicial), " ".join(carga_final), CORRIDAS,
                 CORRIDAS_DIA, CORRIDAS_RESTAURACION, CORRIDAS_CORTAS))
    finally:
        shutil.rmtree(temporal, ignore_errors=True)


if __name__ == "__main__":
    main()
