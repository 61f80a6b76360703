/* The one native peer of every network benchmark, built for the build
 * machine itself (not for Wine), so that the project and its baseline talk
 * to the same fast program over loopback.
 *
 *   bench_peer serve
 *       Listens on 127.0.0.1 (a free port, printed as "PORT n") and serves
 *       each connection on a thread of its own until standard input closes.
 *       A connection sends command lines:
 *         ECHO      everything after it is sent back
 *         PUT n     n bytes follow; answered with "OK\n" once all arrived
 *         GET n     answered with n bytes of a letter-and-digit pattern
 *         HOLD      nothing is sent; the connection stays until closed
 *
 *   bench_peer echo-clients PORT SIDE PID WINESERVER PHASE...
 *       Clients of an echo server on PORT (a Wine process with the Unix
 *       process id PID; WINESERVER is the wineserver's, or 0). Each phase
 *       runs on the first K connections, opening more as needed:
 *         latency:K:L     each client has one line in flight, L lines each;
 *                         the value is the mean round trip of a line
 *         pipelined:K:M   each client sends M lines without waiting
 *       Prints one BENCH line per phase with the CPU time the server
 *       process (all its threads) and the wineserver spent during it.
 *
 *   bench_peer hold-clients PORT COUNT
 *       Opens COUNT connections to a server on PORT, one after the other,
 *       sends nothing on them and keeps them until standard input closes.
 *
 *   bench_peer http-clients PORT SIDE PID WINESERVER CONCURRENCY REQUESTS
 *       An HTTP load client of a web server on PORT: a few requests one at
 *       a time first (the server may still be starting), then REQUESTS
 *       requests with CONCURRENCY connections at a time, one request a
 *       connection: "GET /", the answer read until the server closes, and
 *       checked whole (status 200, as many body bytes as its Content-Length
 *       says). Prints one BENCH line with the server's and the wineserver's
 *       CPU time over the requests.
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#define LINE_SIZE 32
#define MAX_CLIENTS 64
#define HTTP_WARM_UP 5
#define PATTERN "abcdefghijklmnopqrstuvwxyz0123456789"
#define PATTERN_LENGTH 36
/* A whole number of patterns, so that chunks follow each other seamlessly. */
#define PATTERN_CHUNK (PATTERN_LENGTH * 1820)

static void Die(const char* what)
{
    fprintf(stderr, "bench_peer: %s: %s\n", what, strerror(errno));
    exit(1);
}

static double Now(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

static int WriteAll(int fd, const char* data, size_t length)
{
    while (length > 0) {
        ssize_t sent = send(fd, data, length, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return -1;
        data += sent;
        length -= (size_t)sent;
    }
    return 0;
}

/* ---- serve ---------------------------------------------------------- */

struct Connection {
    int fd;
    char buffer[65536];
    size_t start, end; /* unread bytes of buffer */
};

static int Fill(struct Connection* c)
{
    ssize_t got;
    if (c->start == c->end)
        c->start = c->end = 0;
    if (c->end == sizeof c->buffer) {
        memmove(c->buffer, c->buffer + c->start, c->end - c->start);
        c->end -= c->start;
        c->start = 0;
    }
    do
        got = recv(c->fd, c->buffer + c->end, sizeof c->buffer - c->end, 0);
    while (got < 0 && errno == EINTR);
    if (got <= 0)
        return -1;
    c->end += (size_t)got;
    return 0;
}

/* One command line without its end; -1 when the client closed. */
static int ReadLine(struct Connection* c, char* line, size_t size)
{
    for (;;) {
        char* newline = memchr(c->buffer + c->start, '\n', c->end - c->start);
        if (newline) {
            size_t length = (size_t)(newline - (c->buffer + c->start));
            if (length >= size)
                length = size - 1;
            memcpy(line, c->buffer + c->start, length);
            line[length] = 0;
            c->start = (size_t)(newline - c->buffer) + 1;
            return 0;
        }
        if (c->end - c->start == sizeof c->buffer)
            return -1; /* no command is that long */
        if (Fill(c) != 0)
            return -1;
    }
}

static void Echo(struct Connection* c)
{
    for (;;) {
        if (c->end > c->start && WriteAll(c->fd, c->buffer + c->start, c->end - c->start) != 0)
            return;
        c->start = c->end = 0;
        if (Fill(c) != 0)
            return;
    }
}

static int Consume(struct Connection* c, long long count)
{
    while (count > 0) {
        size_t have = c->end - c->start;
        if (have == 0) {
            if (Fill(c) != 0)
                return -1;
            continue;
        }
        if ((long long)have > count)
            have = (size_t)count;
        c->start += have;
        count -= (long long)have;
    }
    return WriteAll(c->fd, "OK\n", 3);
}

static char patternChunk[PATTERN_CHUNK];

static int Produce(struct Connection* c, long long count)
{
    while (count > 0) {
        size_t piece = count > PATTERN_CHUNK ? PATTERN_CHUNK : (size_t)count;
        if (WriteAll(c->fd, patternChunk, piece) != 0)
            return -1;
        count -= (long long)piece;
    }
    return 0;
}

static void* ServeConnection(void* parameter)
{
    struct Connection* c = parameter;
    char line[128];
    long long count;
    while (ReadLine(c, line, sizeof line) == 0) {
        if (strcmp(line, "ECHO") == 0) {
            Echo(c);
            break;
        } else if (sscanf(line, "PUT %lld", &count) == 1) {
            if (Consume(c, count) != 0)
                break;
        } else if (sscanf(line, "GET %lld", &count) == 1) {
            if (Produce(c, count) != 0)
                break;
        } else if (strcmp(line, "HOLD") == 0) {
            while (Fill(c) == 0)
                c->start = c->end;
            break;
        } else {
            fprintf(stderr, "bench_peer: unknown command \"%s\"\n", line);
            break;
        }
    }
    close(c->fd);
    free(c);
    return NULL;
}

static void* AcceptLoop(void* parameter)
{
    int listener = *(int*)parameter;
    for (;;) {
        pthread_t thread;
        int one = 1;
        struct Connection* c;
        int fd = accept(listener, NULL, NULL);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            Die("accept");
        }
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        c = calloc(1, sizeof *c);
        if (!c)
            Die("calloc");
        c->fd = fd;
        if (pthread_create(&thread, NULL, ServeConnection, c) != 0)
            Die("pthread_create");
        pthread_detach(thread);
    }
    return NULL;
}

static int Serve(void)
{
    struct sockaddr_in address;
    socklen_t length = sizeof address;
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    pthread_t thread;
    char drained[256];
    size_t i;
    for (i = 0; i < sizeof patternChunk; ++i)
        patternChunk[i] = PATTERN[i % PATTERN_LENGTH];
    if (listener < 0)
        Die("socket");
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, (struct sockaddr*)&address, sizeof address) != 0 || listen(listener, 64) != 0)
        Die("listen");
    getsockname(listener, (struct sockaddr*)&address, &length);
    printf("PORT %d\n", ntohs(address.sin_port));
    fflush(stdout);
    if (pthread_create(&thread, NULL, AcceptLoop, &listener) != 0)
        Die("pthread_create");
    /* Runs until whoever started it closes our standard input. */
    while (read(0, drained, sizeof drained) > 0) {}
    return 0;
}

/* ---- echo clients ----------------------------------------------------- */

/* CPU nanoseconds of every thread of a process, from the scheduler's
 * per-thread statistics (finer than the clock ticks of /proc/PID/stat). */
static long long ProcessCpuNanoseconds(int pid)
{
    char path[64];
    long long total = 0;
    DIR* tasks;
    struct dirent* entry;
    if (pid <= 0)
        return 0;
    snprintf(path, sizeof path, "/proc/%d/task", pid);
    tasks = opendir(path);
    if (!tasks)
        return 0;
    while ((entry = readdir(tasks)) != NULL) {
        char file[320];
        long long running = 0;
        FILE* stat;
        if (entry->d_name[0] == '.')
            continue;
        snprintf(file, sizeof file, "/proc/%d/task/%s/schedstat", pid, entry->d_name);
        stat = fopen(file, "r");
        if (!stat)
            continue;
        if (fscanf(stat, "%lld", &running) == 1)
            total += running;
        fclose(stat);
    }
    closedir(tasks);
    return total;
}

struct Client {
    int fd;
    long long toSend, toReceive; /* bytes still to go in this phase */
    double sentAt;
    size_t lineReceived;
};

static struct Client clients[MAX_CLIENTS];
static int clientCount;
static char lineText[LINE_SIZE + 1];

static void SetBlocking(int fd, int blocking)
{
    int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

static void ReceiveExactly(int fd, size_t count)
{
    char buffer[LINE_SIZE];
    while (count > 0) {
        ssize_t got = recv(fd, buffer, count < sizeof buffer ? count : sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            Die("echo server closed a new connection");
        count -= (size_t)got;
    }
}

/* A connection to a server on loopback, or -1. */
static int ConnectLoopback(unsigned short port)
{
    struct sockaddr_in address;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        Die("socket");
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (struct sockaddr*)&address, sizeof address) == 0)
        return fd;
    close(fd);
    return -1;
}

/* A connection to a server on loopback, retried until the server listens. */
static int ConnectRetrying(unsigned short port)
{
    double deadline = Now() + 60;
    int fd;
    while ((fd = ConnectLoopback(port)) < 0) {
        if (Now() > deadline)
            Die("connect to the server");
        usleep(50000);
    }
    return fd;
}

/* A new connection, served once it has echoed a few lines, so that the next
 * one is never in the accept queue. */
static void OpenClient(unsigned short port)
{
    struct timeval limit = {60, 0};
    int one = 1, fd = ConnectRetrying(port), i;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    for (i = 0; i < 5; ++i) {
        if (WriteAll(fd, lineText, LINE_SIZE) != 0)
            Die("send");
        ReceiveExactly(fd, LINE_SIZE);
    }
    SetBlocking(fd, 0);
    clients[clientCount].fd = fd;
    ++clientCount;
}

struct Usage {
    long long process, wineserver;
};

static struct Usage ReadUsage(int pid, int wineserver)
{
    struct Usage usage;
    usage.process = ProcessCpuNanoseconds(pid);
    usage.wineserver = ProcessCpuNanoseconds(wineserver);
    return usage;
}

static void Report(const char* row, const char* side, long long n, double wall, struct Usage before, struct Usage after,
                   double value)
{
    double process = (double)(after.process - before.process) / 1e9;
    double wineserver = (double)(after.wineserver - before.wineserver) / 1e9;
    printf("BENCH {\"row\":\"%s\",\"side\":\"%s\",\"n\":%lld,\"wall\":%.9f,\"cpu\":%.6f,"
           "\"cpu_process\":%.6f,\"cpu_wineserver\":%.6f",
           row, side, n, wall, process + wineserver, process, wineserver);
    if (value >= 0)
        printf(",\"value\":%.3f", value);
    printf("}\n");
    fflush(stdout);
}

/* Reads what is there; answers the count, 0 when nothing was, -1 on close. */
static ssize_t ReadSome(int fd, char* buffer, size_t size)
{
    ssize_t got = recv(fd, buffer, size, 0);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return 0;
    if (got <= 0)
        return -1;
    return got;
}

static void Latency(int count, int lines, const char* side, int pid, int wineserver)
{
    struct pollfd polls[MAX_CLIENTS];
    char buffer[4096];
    double totalRoundTrip = 0, start;
    int active = count, i;
    struct Usage before = ReadUsage(pid, wineserver), after;
    start = Now();
    for (i = 0; i < count; ++i) {
        clients[i].toReceive = lines;
        clients[i].lineReceived = 0;
        clients[i].sentAt = Now();
        if (WriteAll(clients[i].fd, lineText, LINE_SIZE) != 0)
            Die("send");
    }
    while (active > 0) {
        for (i = 0; i < count; ++i) {
            polls[i].fd = clients[i].toReceive > 0 ? clients[i].fd : -1;
            polls[i].events = POLLIN;
        }
        if (poll(polls, (nfds_t)count, 60000) <= 0)
            Die("echo server stopped answering");
        for (i = 0; i < count; ++i) {
            struct Client* c = &clients[i];
            ssize_t got;
            if (!(polls[i].revents & (POLLIN | POLLERR | POLLHUP)))
                continue;
            got = ReadSome(c->fd, buffer, sizeof buffer);
            if (got < 0)
                Die("echo server closed a connection");
            c->lineReceived += (size_t)got;
            if (c->lineReceived < LINE_SIZE)
                continue;
            if (c->lineReceived > LINE_SIZE)
                Die("more echoed than sent");
            totalRoundTrip += Now() - c->sentAt;
            c->lineReceived = 0;
            if (--c->toReceive == 0) {
                --active;
                continue;
            }
            c->sentAt = Now();
            if (WriteAll(c->fd, lineText, LINE_SIZE) != 0)
                Die("send");
        }
    }
    after = ReadUsage(pid, wineserver);
    {
        char row[48];
        long long total = (long long)count * lines;
        snprintf(row, sizeof row, "echo-latency:%d", count);
        Report(row, side, total, Now() - start, before, after, totalRoundTrip / (double)total * 1e6);
    }
}

static void Pipelined(int count, int lines, const char* side, int pid, int wineserver)
{
    static char outgoing[LINE_SIZE * 1024];
    struct pollfd polls[MAX_CLIENTS];
    char buffer[65536];
    double start;
    int active = count, i;
    struct Usage before, after;
    for (i = 0; i < (int)sizeof outgoing; ++i)
        outgoing[i] = lineText[i % LINE_SIZE];
    before = ReadUsage(pid, wineserver);
    start = Now();
    for (i = 0; i < count; ++i)
        clients[i].toSend = clients[i].toReceive = (long long)lines * LINE_SIZE;
    while (active > 0) {
        for (i = 0; i < count; ++i) {
            polls[i].fd = clients[i].toReceive > 0 ? clients[i].fd : -1;
            polls[i].events = (short)(POLLIN | (clients[i].toSend > 0 ? POLLOUT : 0));
        }
        if (poll(polls, (nfds_t)count, 60000) <= 0)
            Die("echo server stopped answering");
        for (i = 0; i < count; ++i) {
            struct Client* c = &clients[i];
            if ((polls[i].revents & POLLOUT) && c->toSend > 0) {
                size_t piece = c->toSend > (long long)sizeof outgoing ? sizeof outgoing : (size_t)c->toSend;
                ssize_t sent = send(c->fd, outgoing, piece, MSG_NOSIGNAL);
                if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                    Die("send");
                if (sent > 0)
                    c->toSend -= sent;
            }
            if (polls[i].revents & (POLLIN | POLLERR | POLLHUP)) {
                ssize_t got = ReadSome(c->fd, buffer, sizeof buffer);
                if (got < 0)
                    Die("echo server closed a connection");
                c->toReceive -= got;
                if (c->toReceive < 0)
                    Die("more echoed than sent");
                if (got > 0 && c->toReceive == 0)
                    --active;
            }
        }
    }
    after = ReadUsage(pid, wineserver);
    {
        char row[48];
        snprintf(row, sizeof row, "echo-pipelined:%d", count);
        Report(row, side, (long long)count * lines, Now() - start, before, after, -1);
    }
}

/* Closes every connection the way a client ends: no more to send, then
 * whatever is still coming, then the server's close. */
static void CloseClients(void)
{
    char buffer[4096];
    int i;
    for (i = 0; i < clientCount; ++i) {
        SetBlocking(clients[i].fd, 1);
        shutdown(clients[i].fd, SHUT_WR);
        while (recv(clients[i].fd, buffer, sizeof buffer, 0) > 0) {}
        close(clients[i].fd);
    }
    clientCount = 0;
}

static int EchoClients(int argc, char** argv)
{
    unsigned short port = (unsigned short)atoi(argv[2]);
    const char* side = argv[3];
    int pid = atoi(argv[4]), wineserver = atoi(argv[5]), i;
    snprintf(lineText, sizeof lineText, "%-*s\n", LINE_SIZE - 1, "line of the echo benchmark");
    for (i = 6; i < argc; ++i) {
        int count = 0, lines = 0;
        char kind[16];
        if (sscanf(argv[i], "%15[a-z]:%d:%d", kind, &count, &lines) != 3 || count < 1 || count > MAX_CLIENTS ||
            lines < 1) {
            fprintf(stderr, "bench_peer: bad phase %s\n", argv[i]);
            return 2;
        }
        while (clientCount < count)
            OpenClient(port);
        if (strcmp(kind, "latency") == 0)
            Latency(count, lines, side, pid, wineserver);
        else if (strcmp(kind, "pipelined") == 0)
            Pipelined(count, lines, side, pid, wineserver);
        else {
            fprintf(stderr, "bench_peer: bad phase %s\n", argv[i]);
            return 2;
        }
    }
    CloseClients();
    return 0;
}

/* ---- HTTP load ---------------------------------------------------------- */

static const char httpRequest[] = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";

/* Whether a whole answer is a complete 200 with its announced body. */
static int HttpAnswerComplete(const char* answer, size_t length)
{
    static const char status[] = "HTTP/1.1 200 OK\r\n";
    const char* end = memmem(answer, length, "\r\n\r\n", 4);
    const char* field = memmem(answer, length, "\r\nContent-Length: ", 18);
    if (length < sizeof status - 1 || memcmp(answer, status, sizeof status - 1) != 0 || end == NULL || field == NULL ||
        field > end)
        return 0;
    return strtol(field + 18, NULL, 10) == (long)(length - (size_t)(end + 4 - answer));
}

/* One request on a new connection (retried until the server listens, when
 * asked), answered completely; 0, or -1. */
static int HttpRequest(unsigned short port, int retry)
{
    struct timeval limit = {60, 0};
    char answer[16384];
    size_t length = 0;
    int fd = retry ? ConnectRetrying(port) : ConnectLoopback(port);
    if (fd < 0) {
        fprintf(stderr, "bench_peer: connect: %s\n", strerror(errno));
        return -1;
    }
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (WriteAll(fd, httpRequest, sizeof httpRequest - 1) != 0) {
        close(fd);
        return -1;
    }
    for (;;) {
        ssize_t got = recv(fd, answer + length, sizeof answer - length, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || (length += (size_t)got) == sizeof answer)
            break;
    }
    close(fd);
    if (!HttpAnswerComplete(answer, length)) {
        fprintf(stderr, "bench_peer: an incomplete answer of %zu bytes\n", length);
        return -1;
    }
    return 0;
}

static unsigned short httpPort;
static int httpLeft, httpFailed;
static pthread_mutex_t httpLock = PTHREAD_MUTEX_INITIALIZER;

/* Takes one of the requests still to make; 0 when none is left. */
static int TakeHttpRequest(void)
{
    int taken;
    pthread_mutex_lock(&httpLock);
    taken = httpLeft > 0 && !httpFailed;
    if (taken)
        --httpLeft;
    pthread_mutex_unlock(&httpLock);
    return taken;
}

static void* HttpClient(void* unused)
{
    (void)unused;
    while (TakeHttpRequest()) {
        if (HttpRequest(httpPort, 0) != 0) {
            pthread_mutex_lock(&httpLock);
            httpFailed = 1;
            pthread_mutex_unlock(&httpLock);
        }
    }
    return NULL;
}

static int HttpClients(int argc, char** argv)
{
    pthread_t threads[MAX_CLIENTS];
    const char* side = argv[3];
    int pid = atoi(argv[4]), wineserver = atoi(argv[5]), concurrency = atoi(argv[6]), requests = atoi(argv[7]), i;
    struct Usage before, after;
    double start, wall;
    char row[48];
    (void)argc;
    httpPort = (unsigned short)atoi(argv[2]);
    if (concurrency < 1 || concurrency > MAX_CLIENTS || requests < 1) {
        fprintf(stderr, "bench_peer: bad HTTP load %s %s\n", argv[6], argv[7]);
        return 2;
    }
    for (i = 0; i < HTTP_WARM_UP; ++i) {
        if (HttpRequest(httpPort, 1) != 0)
            return 1;
    }
    httpLeft = requests;
    before = ReadUsage(pid, wineserver);
    start = Now();
    for (i = 0; i < concurrency; ++i) {
        if (pthread_create(&threads[i], NULL, HttpClient, NULL) != 0)
            Die("pthread_create");
    }
    for (i = 0; i < concurrency; ++i)
        pthread_join(threads[i], NULL);
    wall = Now() - start;
    after = ReadUsage(pid, wineserver);
    if (httpFailed)
        return 1;
    snprintf(row, sizeof row, "http:%d", concurrency);
    Report(row, side, requests, wall, before, after, -1);
    return 0;
}

/* ---- idle clients ----------------------------------------------------- */

static int HoldClients(unsigned short port, int count)
{
    int fds[MAX_CLIENTS], i;
    char drained[256];
    if (count < 1 || count > MAX_CLIENTS) {
        fprintf(stderr, "bench_peer: bad client count %d\n", count);
        return 2;
    }
    for (i = 0; i < count; ++i)
        fds[i] = ConnectRetrying(port);
    while (read(0, drained, sizeof drained) > 0) {}
    for (i = 0; i < count; ++i)
        close(fds[i]);
    return 0;
}

int main(int argc, char** argv)
{
    signal(SIGPIPE, SIG_IGN);
    if (argc == 2 && strcmp(argv[1], "serve") == 0)
        return Serve();
    if (argc >= 7 && strcmp(argv[1], "echo-clients") == 0)
        return EchoClients(argc, argv);
    if (argc == 4 && strcmp(argv[1], "hold-clients") == 0)
        return HoldClients((unsigned short)atoi(argv[2]), atoi(argv[3]));
    if (argc == 8 && strcmp(argv[1], "http-clients") == 0)
        return HttpClients(argc, argv);
    fprintf(stderr,
            "usage: bench_peer serve | echo-clients PORT SIDE PID WINESERVER PHASE... | "
            "hold-clients PORT COUNT | http-clients PORT SIDE PID WINESERVER CONCURRENCY REQUESTS\n");
    return 2;
}
