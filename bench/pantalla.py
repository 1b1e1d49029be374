#!/usr/bin/env python3
"""Benchmark of quenvaro-pantalla, run by `make bench` after the others.

Builds the release programs in build-bench/ (as bench/bench.py does),
writes every input in a temporary folder that is removed at the end, starts
each server on 127.0.0.1 on a free port (--puerto 0) and prints:

- the latency of GET /estado (median and 99th percentile, one client on
  one kept-alive connection) with a 1 KB log and with a 200 MB log of
  earlier days, both ending with the same records of today, and with
  backups of 10, 1,000 and 100,000 turns;
- the console's busy day (bench/bench.py's) alone and beside the server,
  with 8 clients polling as the page does (once a second) and with 8
  clients polling without pause for 10 s, and those clients' throughput;
- each server's peak resident set (VmHWM in /proc/PID/status), which must
  not follow the log, the backup or the number of requests served.

Every request loop is bounded in count or time, and every process the
script starts is ended in a `finally`, on failure too. Standard library
only.
"""

import datetime
import json
import os
import re
import select
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True  # no __pycache__ left in bench/
import bench  # noqa: E402  the busy day and the backup
import informe  # noqa: E402  logs of earlier busy days, as the console writes them

RAIZ = bench.RAIZ
CONSTRUCCION = bench.CONSTRUCCION

TAM_GRANDE = 200 * 1000 * 1000
# Latency: in each round every server gets its timed requests in turn,
# after a few untimed ones on a fresh connection.
RONDAS_LATENCIA = 5
PETICIONES_RONDA = 200
PETICIONES_RONDA_LIGERA = 1000  # 1 KB and 200 MB logs, 10 or 1,000 waiting
PETICIONES_CALENTAR = 5
# The busy day beside the screen.
CLIENTES = 8
SEGUNDOS_SONDEO = 10.0
PAUSA_PAGINA = 1.0  # the page's setInterval
RONDAS_DIA = 5
# No client, console or server may outlive these, whatever happens.
TOPE_CLIENTE = 120.0
PLAZO_ARRANQUE = 10.0
PLAZO_SOCKET = 10.0

# Targets.
LATENCIA_RAZON = 1.5           # 200 MB log against 1 KB log, p50 and p99
DIA_RAZON = 1.05               # busy day beside the screen against alone
MEMORIA_MAX_KIB = 10 * 1024
MEMORIA_HOLGURA_KIB = 512      # what "not growing" allows

PETICION = b"GET /estado HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"

VIVOS = []  # every process started, ended in main's finally


def avisar(texto):
    print(texto, file=sys.stderr, flush=True)


def construir():
    if shutil.which("cmake") is None:
        sys.exit("bench: needs cmake (apt-get install cmake g++ make)")
    avisar("building release quenvaro and quenvaro-pantalla in build-bench/ ...")
    bench.ejecutar_o_salir(["cmake", "-S", RAIZ, "-B", CONSTRUCCION,
                            "-DCMAKE_BUILD_TYPE=Release", "-DQUENVARO_TESTS=OFF"])
    bench.ejecutar_o_salir(["cmake", "--build", CONSTRUCCION, "-j", "2",
                            "--target", "quenvaro", "quenvaro-pantalla"])
    return (os.path.join(CONSTRUCCION, "quenvaro"),
            os.path.join(CONSTRUCCION, "quenvaro-pantalla"))


# ------------------------------------------------------------------ inputs

def marca(fecha, segundos):
    return informe.marca(fecha.isoformat(), segundos)


def registro(fecha, t, n, nombre):
    return ("REG_SESSION  -> [%s] ID_SESION: %d | USUARIO: %s | TURNO: #%d\n"
            % (marca(fecha, t), n, nombre, n))


def despacho(fecha, t, n):
    return ("FREE_TURNO   -> [%s] DESPACHADO: Turno #%d | STATUS: Atendido\n"
            % (marca(fecha, t), n))


def cierre(fecha, t, n):
    return ("SYS_SHUTDOWN -> [%s] RESUMEN JORNADA: %d Sesiones | %d Turnos "
            "Emitidos\n" % (marca(fecha, t), n, n))


# Today's morning so far: six registrations from 08:03, turns 1 to 4
# called at 08:10, 08:16, 08:20 and 08:30. Fewer than the 11 calls the
# estimate looks at, so every request reads back to the day before.
LLAMADAS_HOY = ((10 * 60, 1), (16 * 60, 2), (20 * 60, 3), (30 * 60, 4))
HUECO_MEDIANO = 360  # gaps 600, 240, 360 s: nearest-rank median


def manana_de_hoy(hoy):
    lineas = [(8 * 3600 + k * 180, registro(hoy, 8 * 3600 + k * 180, k,
                                             informe.NOMBRES[k]))
              for k in range(1, 7)]
    lineas += [(8 * 3600 + s, despacho(hoy, 8 * 3600 + s, n))
               for s, n in LLAMADAS_HOY]
    lineas.sort(key=lambda par: par[0])
    return "".join(l for _, l in lineas).encode()


def estado_esperado(turnos, hoy):
    return {"atendiendo": 4, "anteriores": [3, 2, 1],
            "siguientes": list(range(1, min(8, turnos) + 1)),
            "en_espera": turnos, "espera_estimada_s": turnos * HUECO_MEDIANO,
            "atendidos_hoy": len(LLAMADAS_HOY), "fecha": hoy.isoformat()}


def preparar_carpeta(carpeta, hoy, log_grande, turnos):
    """The 1 KB log is yesterday's close and today's morning; the large one
    is informe.py's busy days from 2020 on, then the same morning."""
    os.makedirs(carpeta)
    ruta = os.path.join(carpeta, "bitacora.txt")
    if log_grande:
        informe.bitacora(ruta, TAM_GRANDE)
    else:
        with open(ruta, "wb") as f:
            f.write(cierre(hoy - datetime.timedelta(days=1), 18 * 3600, 23).encode())
    with open(ruta, "ab") as f:
        f.write(manana_de_hoy(hoy))
    bench.escribir(os.path.join(carpeta, "cola_respaldo.txt"), bench.respaldo(turnos))
    return os.path.getsize(ruta)


# ------------------------------------------------------------------ client

def conectar(puerto):
    s = socket.create_connection(("127.0.0.1", puerto), timeout=PLAZO_SOCKET)
    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return s


def pedir(s, resto):
    """One GET /estado on the kept-alive connection `s`; `resto` is what the
    last answer left in hand. Returns (status, body, what is left)."""
    s.sendall(PETICION)
    datos = resto
    while b"\r\n\r\n" not in datos:
        trozo = s.recv(65536)
        if not trozo:
            raise ConnectionError("the server closed the connection")
        datos += trozo
    cabeza, _, datos = datos.partition(b"\r\n\r\n")
    lineas = cabeza.split(b"\r\n")
    estado = int(lineas[0].split(b" ", 2)[1])
    largo = 0
    for linea in lineas[1:]:
        clave, _, valor = linea.partition(b":")
        if clave.strip().lower() == b"content-length":
            largo = int(valor)
    while len(datos) < largo:
        trozo = s.recv(65536)
        if not trozo:
            raise ConnectionError("the server closed the connection")
        datos += trozo
    return estado, datos[:largo], datos[largo:]


def cliente(puerto, pausa):
    """A polling client, run as a process of its own (--cliente): polls
    /estado every `pausa` seconds (0: without pause) until its standard
    input closes or TOPE_CLIENTE passes. Says `listo` after its first
    answer, then at the end one JSON line: each answer's end (monotonic
    clock, which every process shares) and latency, and the errors, a
    call that moved backwards counting as one."""
    # The clients stand for browsers on other machines: at the lowest
    # priority, their own work here takes as little as it can from the
    # console, and what the console loses is the server's share.
    os.nice(19)
    fin = time.monotonic() + TOPE_CLIENTE
    s, resto = conectar(puerto), b""
    fines, latencias = [], []
    errores = 0
    ultimo = None
    entrada = sys.stdin.fileno()
    while time.monotonic() < fin:
        if fines and select.select([entrada], [], [], pausa)[0]:
            break  # standard input closed: the round is over
        inicio = time.monotonic()
        try:
            if s is None:
                s, resto = conectar(puerto), b""
            estado, cuerpo, resto = pedir(s, resto)
        except OSError:
            errores += 1
            if s is not None:
                s.close()
            s = None
            continue
        final = time.monotonic()
        if estado != 200:
            errores += 1
            continue
        atendiendo = json.loads(cuerpo)["atendiendo"]
        if atendiendo is not None:
            if ultimo is not None and atendiendo < ultimo:
                errores += 1
            ultimo = atendiendo
        if not fines:
            sys.stdout.write("listo\n")
            sys.stdout.flush()
        fines.append(round(final, 5))
        latencias.append(round(final - inicio, 6))
    if s is not None:
        s.close()
    sys.stdout.write(json.dumps({"fines": fines, "latencias": latencias,
                                 "errores": errores}) + "\n")


# ------------------------------------------------------------------ server

class Servidor:
    """quenvaro-pantalla on 127.0.0.1 and a free port, serving `carpeta`,
    or each of a list of folders as a desk (bench/mesas.py)."""

    def __init__(self, programa, carpeta):
        carpetas = carpeta if isinstance(carpeta, list) else [carpeta]
        self.proceso = subprocess.Popen(
            [programa, "--puerto", "0", "--escuchar", "127.0.0.1"] + carpetas,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
        VIVOS.append(self.proceso)
        linea = b""
        plazo = time.monotonic() + PLAZO_ARRANQUE
        while b"\n" not in linea:
            quedan = plazo - time.monotonic()
            if quedan <= 0 or not select.select([self.proceso.stdout], [], [], quedan)[0]:
                sys.exit("bench: quenvaro-pantalla did not say where it listens")
            trozo = os.read(self.proceso.stdout.fileno(), 4096)
            if not trozo:
                sys.exit("bench: quenvaro-pantalla ended at start")
            linea += trozo
        encontrado = re.search(rb"http://127\.0\.0\.1:(\d+)/", linea)
        if not encontrado:
            sys.exit("bench: unexpected first line: %r" % linea)
        self.puerto = int(encontrado.group(1))

    def memoria(self):
        """(VmHWM, VmRSS) in KiB."""
        cifras = {}
        with open("/proc/%d/status" % self.proceso.pid) as f:
            for linea in f:
                clave, _, valor = linea.partition(":")
                if clave in ("VmHWM", "VmRSS"):
                    cifras[clave] = int(valor.split()[0])
        return cifras["VmHWM"], cifras["VmRSS"]

    def cpu(self):
        """User and system time so far, in seconds."""
        with open("/proc/%d/stat" % self.proceso.pid) as f:
            campos = f.read().rsplit(")", 1)[1].split()
        return (int(campos[11]) + int(campos[12])) / os.sysconf("SC_CLK_TCK")

    def terminar(self):
        """SIGTERM, as Ctrl+C would; it must end with status 0."""
        self.proceso.send_signal(signal.SIGTERM)
        try:
            codigo = self.proceso.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.proceso.kill()
            self.proceso.wait()
            sys.exit("bench: quenvaro-pantalla did not end on SIGTERM")
        if codigo != 0:
            sys.exit("bench: quenvaro-pantalla ended with %d" % codigo)


def un_dia(quenvaro, carpeta, entrada):
    """The busy day from the file `entrada` in `carpeta`, its output into a
    pipe drained by cat, as bench/bench.py runs it; the wall seconds."""
    lectura, escritura = os.pipe()
    with open(entrada, "rb") as stdin:
        inicio = time.perf_counter()
        programa = subprocess.Popen([quenvaro], cwd=carpeta, stdin=stdin,
                                    stdout=escritura)
        VIVOS.append(programa)
        lector = subprocess.Popen(["cat"], stdin=lectura,
                                  stdout=subprocess.DEVNULL)
        VIVOS.append(lector)
        os.close(escritura)
        os.close(lectura)
        # A day of 10,000 durable commands; far beyond any here.
        programa.wait(timeout=TOPE_CLIENTE)
        lector.wait(timeout=PLAZO_SOCKET)
        segundos = time.perf_counter() - inicio
    if programa.returncode != 0:
        sys.exit("bench: quenvaro exited with %d" % programa.returncode)
    return segundos


def terminar_todo():
    for p in VIVOS:
        if p.poll() is None:
            p.kill()
    for p in VIVOS:
        try:
            p.wait(timeout=5)
        except subprocess.TimeoutExpired:
            pass


# ---------------------------------------------------------------- latency

def una_ronda(servidores, muestras, esperados, peticiones=None):
    """`peticiones` (PETICIONES_RONDA) timed requests to each server, on a
    fresh kept-alive connection each, the servers taking turns request by request, so a slow
    moment of the machine falls on every case alike. The first answer of
    each is checked against `esperados` (None: not checked)."""
    conexiones = [[conectar(s.puerto), b""] for s in servidores]
    try:
        for i in range(PETICIONES_CALENTAR + (peticiones or PETICIONES_RONDA)):
            for k, conexion in enumerate(conexiones):
                inicio = time.perf_counter()
                estado, cuerpo, conexion[1] = pedir(conexion[0], conexion[1])
                segundos = time.perf_counter() - inicio
                if estado != 200:
                    sys.exit("bench: /estado answered %d: %r" % (estado, cuerpo))
                if i == 0 and esperados[k] is not None and \
                        json.loads(cuerpo) != esperados[k]:
                    sys.exit("bench: /estado answered %s, expected %s"
                             % (cuerpo.decode(), json.dumps(esperados[k])))
                if i >= PETICIONES_CALENTAR:
                    muestras[k].append(segundos)
    finally:
        for conexion in conexiones:
            conexion[0].close()


# ----------------------------------------------------- busy day and screen

def dia_con_pantalla(quenvaro, carpeta, entrada, servidor, pausa, minimo):
    """The busy day in `carpeta` while CLIENTES clients poll the server
    there every `pausa` seconds, from when all have their first answer
    until the day is over and at least `minimo` seconds have passed.
    Returns (day's seconds, its window, the window, the clients' results,
    the server's CPU seconds in the window)."""
    puerto = servidor.puerto
    bench.vaciar(carpeta)
    bench.asentar()
    clientes = []
    for _ in range(CLIENTES):
        clientes.append(subprocess.Popen(
            [sys.executable, os.path.abspath(__file__), "--cliente", str(puerto),
             str(pausa)], stdin=subprocess.PIPE, stdout=subprocess.PIPE))
        VIVOS.append(clientes[-1])
    for c in clientes:
        listo, _, _ = select.select([c.stdout], [], [], PLAZO_ARRANQUE)
        if not listo or c.stdout.readline() != b"listo\n":
            sys.exit("bench: a polling client did not get its first answer")
    cpu = servidor.cpu()
    inicio = time.monotonic()
    segundos = un_dia(quenvaro, carpeta, entrada)
    fin_dia = time.monotonic()
    resto = inicio + minimo - time.monotonic()
    if resto > 0:
        time.sleep(resto)
    fin = time.monotonic()
    cpu = servidor.cpu() - cpu
    resultados = []
    for c in clientes:
        c.stdin.close()
    for c in clientes:
        salida = c.stdout.read()
        if c.wait(timeout=PLAZO_SOCKET) != 0:
            sys.exit("bench: a polling client failed")
        resultados.append(json.loads(salida))
    return segundos, (inicio, fin_dia), (inicio, fin), resultados, cpu


def contar(resultados, desde, hasta):
    return sum(1 for r in resultados for t in r["fines"] if desde <= t <= hasta)


# ------------------------------------------------------------------- report

def ms(segundos):
    return "%.3f" % (segundos * 1000)


def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("bench: terminated"))
    with open("/proc/loadavg") as f:
        carga_inicial = f.read().split()[:3]
    quenvaro, pantalla = construir()
    temporal = tempfile.mkdtemp(prefix="quenvaro-bench-pantalla-")
    servidores = []
    try:
        inicio_script = time.monotonic()
        # -------------------------------------------------- latency
        hoy = datetime.date.today()
        casos = [("log 1 KB, 10 turns waiting", False, 10),
                 ("log 200 MB of earlier days, 10 waiting", True, 10),
                 ("log 1 KB, 1,000 turns waiting", False, 1000),
                 ("log 1 KB, 100,000 turns waiting", False, 100000)]
        tamanos = []
        for i, (nombre, grande, turnos) in enumerate(casos):
            if grande:
                avisar("writing a 200 MB log of earlier busy days ...")
            carpeta = os.path.join(temporal, "caso-%d" % i)
            tamanos.append(preparar_carpeta(carpeta, hoy, grande, turnos))
            servidores.append(Servidor(pantalla, carpeta))
        # A request's round trip is some 40 us when the client and the
        # server run on one core and 90 us when the server must be woken on
        # the other, and the scheduler places each server as it likes; so
        # the client goes on one core and every server on another, and the
        # cases differ only by what the server does.
        afinidad = sorted(os.sched_getaffinity(0))
        if len(afinidad) >= 2:
            os.sched_setaffinity(0, {afinidad[0]})
            for s in servidores:
                os.sched_setaffinity(s.proceso.pid, {afinidad[1]})
        bench.asentar()
        avisar("timing GET /estado, %d rounds ..." % RONDAS_LATENCIA)
        muestras = [[] for _ in casos]
        for _ in range(RONDAS_LATENCIA):
            esperados = [estado_esperado(turnos, hoy) for _, _, turnos in casos]
            if datetime.date.today() != hoy:
                esperados = [None] * len(casos)  # past midnight: yesterday's
            # The light cases get more requests: their 99th percentile is
            # the machine's rare slow moments, and it takes many to see them.
            una_ronda(servidores[:3], muestras[:3], esperados[:3],
                      PETICIONES_RONDA_LIGERA)
            una_ronda(servidores[3:], muestras[3:], esperados[3:])
        latencia = []
        for i in range(len(casos)):
            hwm, _ = servidores[i].memoria()
            latencia.append((statistics.median(muestras[i]),
                             bench.percentil(muestras[i], 99), hwm))
        for s in servidores:
            s.terminar()
        servidores = []
        os.sched_setaffinity(0, afinidad)  # what the busy day's processes inherit
        for i in range(len(casos)):
            shutil.rmtree(os.path.join(temporal, "caso-%d" % i))

        # ---------------------------------- the busy day beside the screen
        avisar("busy day alone and beside the screen, %d rounds ..." % RONDAS_DIA)
        entrada = os.path.join(temporal, "dia.txt")
        bench.escribir(entrada, bench.entrada_dia(bench.REGISTROS_DIA))
        carpeta = os.path.join(temporal, "dia")
        os.makedirs(carpeta)
        servidor = Servidor(pantalla, carpeta)
        servidores.append(servidor)
        # Memory after a first thousand requests, to compare with the end.
        una_ronda([servidor], [[]], [None], 1000)
        _, rss_mil = servidor.memoria()
        solo, pagina, sin_pausa = [], [], []
        referencia = None
        for ronda in range(RONDAS_DIA):
            # Each round in another order, so no variant always goes first.
            variantes = ["solo", "pagina", "sin_pausa"]
            variantes = variantes[ronda % 3:] + variantes[:ronda % 3]
            for variante in variantes:
                if variante == "solo":
                    bench.vaciar(carpeta)
                    bench.asentar()
                    solo.append(un_dia(quenvaro, carpeta, entrada))
                elif variante == "pagina":
                    pagina.append(dia_con_pantalla(quenvaro, carpeta, entrada,
                                                   servidor, PAUSA_PAGINA, 0))
                else:
                    sin_pausa.append(dia_con_pantalla(
                        quenvaro, carpeta, entrada, servidor, 0,
                        SEGUNDOS_SONDEO))
                # The screen changes nothing: same records, same backup.
                archivos = []
                for nombre in ("bitacora.txt", "cola_respaldo.txt"):
                    with open(os.path.join(carpeta, nombre)) as f:
                        archivos.append(bench.sin_marcas(f.read()))
                if referencia is None:
                    referencia = archivos
                elif archivos != referencia:
                    sys.exit("bench: the busy day left other files beside the screen")
        hwm_dia, rss_fin = servidor.memoria()
        servidor.terminar()
        servidores = []

        # ------------------------------------------------------- report
        with open("/proc/loadavg") as f:
            carga_final = f.read().split()[:3]
        duracion = time.monotonic() - inicio_script
        objetivos = []
        print()
        print("GET /estado, one client on one kept-alive connection, %d rounds of"
              " %d requests per case (%d for 100,000 waiting), the cases in turn;"
              % (RONDAS_LATENCIA, PETICIONES_RONDA_LIGERA, PETICIONES_RONDA))
        print("client on CPU %d, servers on CPU %s" % (
            afinidad[0], afinidad[1] if len(afinidad) >= 2 else afinidad[0]))
        print("%-42s %10s %10s %10s %14s" % ("case", "log (B)", "p50 (ms)",
                                              "p99 (ms)", "peak RSS (MB)"))
        print("-" * 90)
        for (nombre, _, _), tam, (p50, p99, hwm) in zip(casos, tamanos, latencia):
            print("%-42s %10s %10s %10s %14.1f" % (nombre, format(tam, ","),
                                                    ms(p50), ms(p99), hwm / 1024.0))
        r50 = latencia[1][0] / latencia[0][0]
        r99 = latencia[1][1] / latencia[0][1]
        peor = max(r50, 1 / r50, r99, 1 / r99)
        objetivos.append(("200 MB log against 1 KB: p50, p99",
                          "%.2fx %.2fx" % (r50, r99), peor <= LATENCIA_RAZON,
                          "within %gx" % LATENCIA_RAZON))

        t_solo = statistics.median(solo)
        print()
        print("busy day (%s commands) in the server's folder; medians of %d rounds,"
              " 'vs alone' the median of each round's ratio"
              % (format(bench.REGISTROS_DIA * 2, ","), RONDAS_DIA))
        print("%-42s %10s %10s %12s %12s %8s %11s" % (
            "console", "wall (s)", "vs alone", "requests/s", "p50/p99 (ms)",
            "errors", "server CPU"))
        print("-" * 112)
        print("%-42s %10.3f" % ("alone", t_solo))
        cifras_dia = {}
        for nombre, rondas, clave in (
                ("8 clients polling once a second (the page)", pagina, "pagina"),
                ("8 clients polling without pause, %g s" % SEGUNDOS_SONDEO,
                 sin_pausa, "sin_pausa")):
            t = statistics.median(r[0] for r in rondas)
            # Each run against the day alone of its own round, so a slow
            # spell of the shared disk falls on both sides of a ratio.
            razon = statistics.median(r[0] / a for r, a in zip(rondas, solo))
            # Throughput while the console ran, then over the whole window.
            en_dia = statistics.median(
                contar(r[3], *r[1]) / (r[1][1] - r[1][0]) for r in rondas)
            en_ventana = statistics.median(
                contar(r[3], *r[2]) / (r[2][1] - r[2][0]) for r in rondas)
            lat = [x for r in rondas for c in r[3] for x in c["latencias"]]
            errores = sum(c["errores"] for r in rondas for c in r[3])
            # The server's share of one core over the window.
            cpu = statistics.median(r[4] / (r[2][1] - r[2][0]) for r in rondas)
            cifras_dia[clave] = (razon, en_dia, en_ventana, errores, len(lat))
            print("%-42s %10.3f %9.3fx %12.0f %12s %8d %10.1f%%" % (
                nombre, t, razon, en_dia,
                "%s/%s" % (ms(statistics.median(lat)), ms(bench.percentil(lat, 99))),
                errores, cpu * 100))
        print("  alone, each round (s): %s" % ", ".join("%.3f" % t for t in solo))
        for nombre, rondas in (("once a second", pagina), ("without pause", sin_pausa)):
            print("  %s, each round (s): %s; against alone: %s" % (
                nombre, ", ".join("%.3f" % r[0] for r in rondas),
                ", ".join("%.2fx" % (r[0] / a) for r, a in zip(rondas, solo))))
        _, en_dia, en_ventana, _, _ = cifras_dia["sin_pausa"]
        print("  without pause: %.0f requests/s while the console ran, %.0f over"
              " the whole window (at least %g s)" % (en_dia, en_ventana,
                                                   SEGUNDOS_SONDEO))
        for clave, texto in (("pagina", "busy day, 8 clients once a second"),
                             ("sin_pausa", "busy day, 8 clients without pause")):
            razon = cifras_dia[clave][0]
            objetivos.append((texto + " (aim)", "%.3fx" % razon,
                              razon <= DIA_RAZON, "within %gx" % DIA_RAZON))
        errores = sum(c[3] for c in cifras_dia.values())
        objetivos.append(("no error, no call moving backwards", "%d" % errores,
                          errores == 0, "0"))

        print()
        picos = [l[2] for l in latencia] + [hwm_dia]
        print("memory: peak RSS (VmHWM) %s MB over the cases above; busy-day"
              " server %.1f MB after %s requests" % (
                  ", ".join("%.1f" % (p / 1024.0) for p in picos[:-1]),
                  hwm_dia / 1024.0,
                  format(1005 + sum(c[4] for c in cifras_dia.values()), ",")))
        print("  its RSS after 1,000 requests %.1f MB, at the end %.1f MB"
              % (rss_mil / 1024.0, rss_fin / 1024.0))
        objetivos.append(("peak RSS, every server", "%.1f MB" % (max(picos) / 1024.0),
                          max(picos) <= MEMORIA_MAX_KIB, "<= 10 MB"))
        crece_log = latencia[1][2] - latencia[0][2]
        objetivos.append(("peak RSS, 200 MB log against 1 KB",
                          "%+.1f MB" % (crece_log / 1024.0),
                          crece_log <= MEMORIA_HOLGURA_KIB, "flat"))
        crece_respaldo = latencia[3][2] - latencia[0][2]
        objetivos.append(("peak RSS, 100,000 waiting against 10",
                          "%+.1f MB" % (crece_respaldo / 1024.0),
                          crece_respaldo <= MEMORIA_HOLGURA_KIB, "flat"))
        crece_peticiones = rss_fin - rss_mil
        objetivos.append(("RSS, end of the busy days against 1,000 requests",
                          "%+.1f MB" % (crece_peticiones / 1024.0),
                          crece_peticiones <= MEMORIA_HOLGURA_KIB, "flat"))
        print()
        print("targets")
        for texto, cifra, cumplido, limite in objetivos:
            print("  %-50s %-12s %-11s %s" % (texto, cifra, limite,
                                               "met" if cumplido else "MISSED"))
        print()
        print("load average at start %s, at end %s; %.0f s"
              % (" ".join(carga_inicial), " ".join(carga_final), duracion))
    finally:
        terminar_todo()
        shutil.rmtree(temporal, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--cliente":
        cliente(int(sys.argv[2]), float(sys.argv[3]))
    else:
        main()
