/*
 * referencia: the yardstick for `make bench`. A plain C99 front desk of the
 * simplest possible design, doing the same file work as quenvaro for the
 * benchmarked workloads, so each quenvaro figure has a neighbour measured
 * in the same run on the same machine:
 *
 *   - a registration mallocs a session and a turn, rewrites
 *     cola_respaldo.txt in place (fopen "w", one fprintf per turn, fclose)
 *     and appends one line to bitacora.txt (fopen "a", fprintf, fclose);
 *   - a dispatch rewrites the backup the same way and appends one line;
 *   - the display copies the log one character at a time (fgetc/putchar);
 *   - the start-up restore reads the backup with fgets(256) + strtok + atoi
 *     and mallocs one turn per line.
 *
 * What it leaves out on purpose, because quenvaro pays for it: the rewrite
 * is not crash-safe (a kill mid-rewrite leaves a short backup), no write is
 * checked, and the prompts are never flushed, so stdout leaves in full
 * blocks when it is a pipe.
 *
 * Built with -DDURABLE it is the durable yardstick: the least a program of
 * this design must do for a confirmed command to survive a power cut. The
 * backup is written to cola_respaldo.txt.tmp, fflush + fsync, fclose, then
 * renamed over cola_respaldo.txt; the log line is appended, fflush + fsync;
 * then one fsync of the folder makes both the rename and a log file just
 * created durable. That is three fsyncs per registration or dispatch, and
 * two for the close of the day. Still nothing is checked. POSIX only.
 */
#ifdef DURABLE
#define _POSIX_C_SOURCE 200809L
#endif
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#ifdef DURABLE
#include <fcntl.h>
#include <unistd.h>
#endif

#define TAM_TEXTO 100

struct sesion {
    int id;
    char nombre[TAM_TEXTO];
    struct sesion *siguiente;
};

struct turno {
    int numero;
    char descripcion[TAM_TEXTO];
    struct turno *siguiente;
};

static int sesiones_dia = 0;
static int turnos_dia = 0;
static struct sesion *sesiones = NULL;
static struct turno *frente = NULL;
static struct turno *final_cola = NULL;

static void copiar(char *destino, const char *origen)
{
    strncpy(destino, origen, TAM_TEXTO - 1);
    destino[TAM_TEXTO - 1] = '\0';
}

static void marca_tiempo(char *marca, size_t tam)
{
    time_t ahora = time(NULL);
    strftime(marca, tam, "%Y-%m-%d %H:%M:%S", localtime(&ahora));
}

#ifdef DURABLE
/* The data of an open stream, on disk. */
static void a_disco(FILE *f)
{
    fflush(f);
    fsync(fileno(f));
}

/* The folder's entries (a rename, a file created), on disk. */
static void carpeta_a_disco(void)
{
    int d = open(".", O_RDONLY);
    if (d < 0)
        return;
    fsync(d);
    close(d);
}
#endif

/* Every command that changes the files ends here, so the durable build
 * syncs the folder once per command, after the log line. */
static void anotar(const char *linea)
{
    FILE *f = fopen("bitacora.txt", "a");
    if (f == NULL)
        return;
    fprintf(f, "%s\n", linea);
#ifdef DURABLE
    a_disco(f);
    fclose(f);
    carpeta_a_disco();
#else
    fclose(f);
#endif
}

static void guardar_cola(void)
{
    struct turno *t;
#ifdef DURABLE
    FILE *f = fopen("cola_respaldo.txt.tmp", "w");
#else
    FILE *f = fopen("cola_respaldo.txt", "w");
#endif
    if (f == NULL)
        return;
    for (t = frente; t != NULL; t = t->siguiente)
        fprintf(f, "%d|%s\n", t->numero, t->descripcion);
#ifdef DURABLE
    a_disco(f);
    fclose(f);
    rename("cola_respaldo.txt.tmp", "cola_respaldo.txt");
#else
    fclose(f);
#endif
}

static void encolar(struct turno *t)
{
    t->siguiente = NULL;
    if (frente == NULL)
        frente = t;
    else
        final_cola->siguiente = t;
    final_cola = t;
}

static void recuperar_cola(void)
{
    char linea[256];
    FILE *f = fopen("cola_respaldo.txt", "r");
    if (f == NULL)
        return;
    while (fgets(linea, sizeof linea, f) != NULL) {
        char *numero, *descripcion;
        struct turno *t;
        linea[strcspn(linea, "\r\n")] = '\0';
        numero = strtok(linea, "|");
        descripcion = strtok(NULL, "|");
        if (numero == NULL || descripcion == NULL)
            continue;
        t = malloc(sizeof *t);
        if (t == NULL)
            continue;
        t->numero = atoi(numero);
        copiar(t->descripcion, descripcion);
        encolar(t);
        turnos_dia = sesiones_dia = t->numero;
    }
    fclose(f);
}

static void registrar(const char *nombre)
{
    char marca[20], registro[256];
    struct sesion *s = malloc(sizeof *s);
    struct turno *t = malloc(sizeof *t);
    if (s == NULL || t == NULL) {
        free(s);
        free(t);
        printf("Sin memoria.\n");
        return;
    }
    s->id = ++sesiones_dia;
    copiar(s->nombre, nombre);
    s->siguiente = sesiones;
    sesiones = s;
    t->numero = ++turnos_dia;
    copiar(t->descripcion, "Atencion General Quenvaro");
    encolar(t);
    guardar_cola();
    marca_tiempo(marca, sizeof marca);
    snprintf(registro, sizeof registro,
             "REG_SESSION  -> [%s] ID_SESION: %d | USUARIO: %s | TURNO: #%d",
             marca, s->id, nombre, t->numero);
    anotar(registro);
    printf("\n>> Sesion %d, turno #%d\n", s->id, t->numero);
}

static void despachar(void)
{
    char marca[20], registro[256];
    struct turno *t = frente;
    if (t == NULL) {
        printf("\nCola vacia.\n\n");
        return;
    }
    frente = t->siguiente;
    if (frente == NULL)
        final_cola = NULL;
    guardar_cola();
    marca_tiempo(marca, sizeof marca);
    snprintf(registro, sizeof registro,
             "FREE_TURNO   -> [%s] DESPACHADO: Turno #%d | STATUS: Atendido",
             marca, t->numero);
    anotar(registro);
    printf("\n>> Atendiendo turno #%d\n\n", t->numero);
    free(t);
}

static void mostrar_bitacora(void)
{
    int c;
    FILE *f = fopen("bitacora.txt", "r");
    if (f == NULL) {
        printf("\nNo hay bitacora.\n\n");
        return;
    }
    printf("\n--- bitacora ---\n");
    while ((c = fgetc(f)) != EOF)
        putchar(c);
    printf("--- fin ---\n");
    fclose(f);
}

static void cerrar_dia(void)
{
    char marca[20], registro[256];
    marca_tiempo(marca, sizeof marca);
    snprintf(registro, sizeof registro,
             "SYS_SHUTDOWN -> [%s] RESUMEN JORNADA: %d Sesiones | %d "
             "Turnos Emitidos",
             marca, sesiones_dia, turnos_dia);
    anotar(registro);
    printf("\nDia cerrado.\n");
}

static void liberar(void)
{
    while (sesiones != NULL) {
        struct sesion *s = sesiones->siguiente;
        free(sesiones);
        sesiones = s;
    }
    while (frente != NULL) {
        struct turno *t = frente->siguiente;
        free(frente);
        frente = t;
    }
    final_cola = NULL;
}

int main(void)
{
    char entrada[TAM_TEXTO];
    int opcion = 0;
    recuperar_cola();
    do {
        printf("\n1. Registrar\n2. Despachar\n3. Bitacora\n4. Salir\nopcion: ");
        if (fgets(entrada, sizeof entrada, stdin) == NULL)
            break;
        opcion = atoi(entrada);
        switch (opcion) {
        case 1:
            printf("\nNombre: ");
            if (fgets(entrada, sizeof entrada, stdin) == NULL) {
                opcion = 4;
                break;
            }
            entrada[strcspn(entrada, "\r\n")] = '\0';
            if (entrada[0] != '\0')
                registrar(entrada);
            break;
        case 2:
            despachar();
            break;
        case 3:
            mostrar_bitacora();
            break;
        case 4:
            cerrar_dia();
            break;
        default:
            printf("\nOpcion no reconocida.\n\n");
        }
    } while (opcion != 4);
    liberar();
    return 0;
}
