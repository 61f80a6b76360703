/* The bare baselines of the tolva rows: plain C over Winsock, doing what the
 * script functions do for a script with the least code the platform allows.
 *
 *   bare_net net PORT TASK...               against the bench peer on PORT:
 *        pingpong:N       N round trips of a 16-byte line, send + recv(1024)
 *        send:SIZE:N      N sends of SIZE bytes, then the peer's "OK"
 *        recv:SIZE:N      N requests of SIZE bytes, read with recv(1024)
 *        overlapped:TASK  pingpong or send as above, with the calls tolva
 *                         makes (rows "pingpong-overlapped", ...)
 *   bare_net echo-server PORT CONNECTIONS    a thread per connection echoes
 *        what it receives; ends after CONNECTIONS connections ended
 *   bare_net http-server PORT CONNECTIONS    the web server example's
 *        responder with a thread per connection: the request head read, one
 *        answer, the connection closed; ends after CONNECTIONS connections
 *   bare_net idle MILLISECONDS              one blocking wait, nothing else
 *   bare_net idle-threads MILLISECONDS      the same beside 30 threads blocked
 *        in waits of their own (the project side of an attribution row)
 *
 * The peer's protocol (bench/peer/bench_peer.c) is the same for the script
 * side (bench/scripts/net.lua), so both sides move the same bytes. */
#include <winsock2.h>
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench_report.h"

#define RECEIVE_SIZE 1024

static const char kSide[] = "baseline";
static const char kPingLine[] = "ping 0123456789\n";
static const char kPattern[] = "abcdefghijklmnopqrstuvwxyz0123456789";

static void Fail(const char* what)
{
    fprintf(stderr, "bare_net: %s (error %d)\n", what, WSAGetLastError());
    exit(1);
}

static SOCKET ConnectToPeer(unsigned short port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address;
    if (s == INVALID_SOCKET)
        Fail("socket");
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (connect(s, (struct sockaddr*)&address, sizeof address) != 0)
        Fail("connect");
    return s;
}

/* For the attribution rows, a task moves its bytes with the calls tolva
 * makes so that a release can end them: overlapped, each waited on its
 * completion event beside a second event (never set here). The completion
 * event is not cleared before each call, as tolva's is not. */
static int gOverlapped;
static HANDLE gIoEvent, gReleaseEvent;

static int OverlappedTransfer(SOCKET s, char* data, int length, int sending)
{
    WSAOVERLAPPED overlapped;
    WSABUF piece;
    DWORD count = 0, flags = 0;
    HANDLE waits[2];
    int result;
    memset(&overlapped, 0, sizeof overlapped);
    overlapped.Internal = STATUS_PENDING;
    overlapped.hEvent = gIoEvent;
    piece.len = (u_long)length;
    piece.buf = data;
    result = sending ? WSASend(s, &piece, 1, &count, 0, &overlapped, NULL)
                     : WSARecv(s, &piece, 1, &count, &flags, &overlapped, NULL);
    if (result == 0)
        return (int)count;
    if (WSAGetLastError() != WSA_IO_PENDING)
        return -1;
    waits[0] = gIoEvent;
    waits[1] = gReleaseEvent;
    for (;;) {
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            return -1;
        if (HasOverlappedIoCompleted(&overlapped))
            break;
        ResetEvent(gIoEvent);
        if (HasOverlappedIoCompleted(&overlapped))
            break;
    }
    return WSAGetOverlappedResult(s, &overlapped, &count, FALSE, &flags) ? (int)count : -1;
}

static int Send(SOCKET s, const char* data, int length)
{
    return gOverlapped ? OverlappedTransfer(s, (char*)data, length, 1) : send(s, data, length, 0);
}

static int Receive(SOCKET s, char* buffer, int length)
{
    return gOverlapped ? OverlappedTransfer(s, buffer, length, 0) : recv(s, buffer, length, 0);
}

/* The row of a task: "pingpong", or "pingpong-overlapped" on the project
 * side of its attribution row, whose baseline is the plain task's. */
static const char* TaskSide(void)
{
    return gOverlapped ? "project" : kSide;
}

static void TaskRow(char* row, size_t size, const char* name, int bytes)
{
    const char* suffix = gOverlapped ? "-overlapped" : "";
    if (bytes < 0)
        snprintf(row, size, "%s%s", name, suffix);
    else
        snprintf(row, size, "%s%s:%d", name, suffix, bytes);
}

static void SendAll(SOCKET s, const char* data, int length)
{
    while (length > 0) {
        int sent = Send(s, data, length);
        if (sent <= 0)
            Fail("send");
        data += sent;
        length -= sent;
    }
}

/* Reads until `count` bytes arrived, 1024 bytes a call at most. */
static void ReceiveCount(SOCKET s, long long count)
{
    char buffer[RECEIVE_SIZE];
    while (count > 0) {
        int got = Receive(s, buffer, RECEIVE_SIZE);
        if (got <= 0)
            Fail("recv");
        count -= got;
    }
}

static void SendCommand(SOCKET s, const char* verb, long long count)
{
    char line[64];
    int length = snprintf(line, sizeof line, "%s %lld\n", verb, count);
    SendAll(s, line, length);
}

static void PingPong(unsigned short port, int count)
{
    const int length = (int)strlen(kPingLine);
    SOCKET s = ConnectToPeer(port);
    double start, wall, cpu;
    char row[32];
    int i;
    TaskRow(row, sizeof row, "pingpong", -1);
    SendAll(s, "ECHO\n", 5);
    for (i = 0; i < 20; ++i) {
        SendAll(s, kPingLine, length);
        ReceiveCount(s, length);
    }
    BenchBegin(row, TaskSide());
    cpu = BenchCpuSeconds();
    start = BenchNow();
    for (i = 0; i < count; ++i) {
        if (Send(s, kPingLine, length) != length)
            Fail("send");
        ReceiveCount(s, length);
    }
    wall = BenchNow() - start;
    cpu = BenchCpuSeconds() - cpu;
    BenchReport(row, TaskSide(), count, wall, cpu, -1);
    closesocket(s);
}

static char* PatternText(int size)
{
    char* text = (char*)malloc(size > 0 ? (size_t)size : 1);
    int i;
    if (text == NULL) {
        fprintf(stderr, "bare_net: out of memory\n");
        exit(1);
    }
    for (i = 0; i < size; ++i)
        text[i] = kPattern[i % (sizeof kPattern - 1)];
    return text;
}

static void Bulk(unsigned short port, int size, int count)
{
    char* text = PatternText(size);
    char row[32];
    char reply[8];
    SOCKET s = ConnectToPeer(port);
    double start, wall, cpu;
    int i;
    SendCommand(s, "PUT", (long long)size * count);
    TaskRow(row, sizeof row, "send", size);
    BenchBegin(row, TaskSide());
    cpu = BenchCpuSeconds();
    start = BenchNow();
    for (i = 0; i < count; ++i)
        SendAll(s, text, size);
    /* The data counts as sent once the peer has it all: "OK\n". */
    for (i = 0; i < 3;) {
        int got = recv(s, reply + i, 3 - i, 0);
        if (got <= 0)
            Fail("recv OK");
        i += got;
    }
    wall = BenchNow() - start;
    cpu = BenchCpuSeconds() - cpu;
    BenchReport(row, TaskSide(), count, wall, cpu, -1);
    closesocket(s);
    free(text);
}

static void ReceiveLoop(unsigned short port, int size, int count)
{
    char row[32];
    SOCKET s = ConnectToPeer(port);
    double start, wall, cpu;
    int i;
    snprintf(row, sizeof row, "recv:%d", size);
    BenchBegin(row, kSide);
    cpu = BenchCpuSeconds();
    start = BenchNow();
    for (i = 0; i < count; ++i) {
        SendCommand(s, "GET", size);
        ReceiveCount(s, size);
    }
    wall = BenchNow() - start;
    cpu = BenchCpuSeconds() - cpu;
    BenchReport(row, kSide, count, wall, cpu, -1);
    closesocket(s);
}

static int RunTasks(unsigned short port, int taskCount, char** tasks)
{
    int i;
    for (i = 0; i < taskCount; ++i) {
        const char* task = tasks[i];
        int size = 0, count = 0;
        gOverlapped = strncmp(task, "overlapped:", 11) == 0;
        if (gOverlapped)
            task += 11;
        if (sscanf(task, "pingpong:%d", &count) == 1) {
            PingPong(port, count);
        } else if (sscanf(task, "send:%d:%d", &size, &count) == 2) {
            Bulk(port, size, count);
        } else if (!gOverlapped && sscanf(task, "recv:%d:%d", &size, &count) == 2) {
            ReceiveLoop(port, size, count);
        } else {
            fprintf(stderr, "bare_net: unknown task %s\n", tasks[i]);
            return 2;
        }
    }
    return 0;
}

/* One connection of the echo server: what arrives goes back, until the
 * peer closes. */
static DWORD WINAPI EchoConnection(void* parameter)
{
    SOCKET s = (SOCKET)(UINT_PTR)parameter;
    char buffer[RECEIVE_SIZE];
    for (;;) {
        int got = recv(s, buffer, RECEIVE_SIZE, 0);
        int sent = 0;
        if (got <= 0)
            break;
        while (sent < got) {
            int count = send(s, buffer + sent, got - sent, 0);
            if (count <= 0)
                break;
            sent += count;
        }
        if (sent < got)
            break;
    }
    closesocket(s);
    return 0;
}

static int EchoServer(unsigned short port, int connections)
{
    struct sockaddr_in address;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    HANDLE* threads;
    int i;
    if (listener == INVALID_SOCKET || connections < 1 || connections > MAXIMUM_WAIT_OBJECTS)
        Fail("echo server set-up");
    threads = (HANDLE*)calloc((size_t)connections, sizeof *threads);
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (threads == NULL || bind(listener, (struct sockaddr*)&address, sizeof address) != 0 ||
        listen(listener, 4) != 0) {
        Fail("listen");
    }
    printf("echo server listening on port %u\n", port);
    fflush(stdout);
    for (i = 0; i < connections; ++i) {
        SOCKET connection = accept(listener, NULL, NULL);
        if (connection == INVALID_SOCKET)
            Fail("accept");
        threads[i] = CreateThread(NULL, 0, EchoConnection, (void*)(UINT_PTR)connection, 0, NULL);
        if (threads[i] == NULL)
            Fail("thread");
    }
    closesocket(listener);
    WaitForMultipleObjects((DWORD)connections, threads, TRUE, INFINITE);
    for (i = 0; i < connections; ++i)
        CloseHandle(threads[i]);
    free(threads);
    printf("echo server stopped\n");
    return 0;
}

/* The web server example (examples/http_server.lua) in plain C: one request
 * a connection, read up to the blank line that ends its head, answered
 * with the page counting the requests (or 404, or 400), then the
 * connection closed. */
#define HTTP_MAX_REQUEST_LINE 2048
#define HTTP_MAX_HEAD 16384

static volatile LONG httpServed;
static volatile LONG httpEnded;
static HANDLE httpAllEnded;
static LONG httpConnections;

static int SendWhole(SOCKET s, const char* data, int length)
{
    while (length > 0) {
        int sent = send(s, data, length, 0);
        if (sent <= 0)
            return -1;
        data += sent;
        length -= sent;
    }
    return 0;
}

/* Sends an answer; each connection gets one, and counts as served. */
static void HttpRespond(SOCKET s, const char* status, const char* kind, const char* body)
{
    char answer[1024];
    int length = snprintf(answer, sizeof answer,
                          "HTTP/1.1 %s\r\nContent-Type: %s\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s",
                          status, kind, (int)strlen(body), body);
    SendWhole(s, answer, length);
}

static void HttpAnswer(SOCKET s, const char* head)
{
    char method[16], target[HTTP_MAX_REQUEST_LINE + 1], version[2];
    char page[512];
    LONG number = InterlockedIncrement(&httpServed);
    if (sscanf(head, "%15[A-Z] %2048s HTTP/1.%1[01]", method, target, version) != 3) {
        HttpRespond(s, "400 Bad Request", "text/plain", "bad request\n");
    } else if (strcmp(method, "GET") == 0 && strcmp(target, "/") == 0) {
        snprintf(page, sizeof page,
                 "<!DOCTYPE html>\n<html><head><title>tolva</title></head><body>\n<h1>Hello from tolva</h1>\n"
                 "<p>Requests served: %ld</p>\n<form action=\"/echo\"><input name=\"text\"> "
                 "<input type=\"submit\" value=\"Echo\"></form>\n</body></html>\n",
                 (long)number);
        HttpRespond(s, "200 OK", "text/html", page);
    } else {
        HttpRespond(s, "404 Not Found", "text/plain", "not found\n");
    }
}

static DWORD WINAPI HttpConnection(void* parameter)
{
    SOCKET s = (SOCKET)(UINT_PTR)parameter;
    char head[HTTP_MAX_HEAD + RECEIVE_SIZE + 1];
    int length = 0;
    for (;;) {
        int got = recv(s, head + length, RECEIVE_SIZE, 0);
        if (got <= 0)
            break;
        length += got;
        head[length] = '\0';
        if (strstr(head, "\n\r\n") != NULL || strstr(head, "\n\n") != NULL) {
            HttpAnswer(s, head);
            break;
        }
        if (length > HTTP_MAX_HEAD) {
            InterlockedIncrement(&httpServed);
            HttpRespond(s, "400 Bad Request", "text/plain", "request head too long\n");
            break;
        }
    }
    closesocket(s);
    if (InterlockedIncrement(&httpEnded) == httpConnections)
        SetEvent(httpAllEnded);
    return 0;
}

static int HttpServer(unsigned short port, int connections)
{
    struct sockaddr_in address;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    int i;
    httpConnections = connections;
    httpAllEnded = CreateEventA(NULL, TRUE, FALSE, NULL);
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (listener == INVALID_SOCKET || httpAllEnded == NULL || connections < 1 ||
        bind(listener, (struct sockaddr*)&address, sizeof address) != 0 || listen(listener, SOMAXCONN) != 0) {
        Fail("http server set-up");
    }
    printf("http server listening on port %u\n", port);
    fflush(stdout);
    for (i = 0; i < connections; ++i) {
        SOCKET connection = accept(listener, NULL, NULL);
        HANDLE thread;
        if (connection == INVALID_SOCKET)
            Fail("accept");
        thread = CreateThread(NULL, 0, HttpConnection, (void*)(UINT_PTR)connection, 0, NULL);
        if (thread == NULL)
            Fail("thread");
        CloseHandle(thread);
    }
    closesocket(listener);
    WaitForSingleObject(httpAllEnded, INFINITE);
    CloseHandle(httpAllEnded);
    printf("http server stopped\n");
    return 0;
}

/* What a script blocked in one tWait costs: a wait on an event. */
#define IDLE_THREADS 30

static DWORD WINAPI IdleThread(void* parameter)
{
    WaitForSingleObject((HANDLE)parameter, INFINITE);
    return 0;
}

/* One blocking wait; with `threads`, as many threads blocked in waits of
 * their own meanwhile, as 30 served slots have (an attribution row). */
static int Idle(int milliseconds, int threads)
{
    HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE started[IDLE_THREADS];
    int i;
    if (event == NULL)
        Fail("event");
    for (i = 0; i < threads; ++i) {
        started[i] = CreateThread(NULL, 0, IdleThread, event, 0, NULL);
        if (started[i] == NULL)
            Fail("thread");
    }
    printf("IDLE READY\n");
    fflush(stdout);
    WaitForSingleObject(event, (DWORD)milliseconds);
    SetEvent(event);
    for (i = 0; i < threads; ++i) {
        WaitForSingleObject(started[i], INFINITE);
        CloseHandle(started[i]);
    }
    CloseHandle(event);
    printf("IDLE DONE\n");
    return 0;
}

int main(int argc, char** argv)
{
    WSADATA startup;
    int result = 2;
    if (WSAStartup(MAKEWORD(2, 2), &startup) != 0)
        Fail("WSAStartup");
    gIoEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    gReleaseEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (gIoEvent == NULL || gReleaseEvent == NULL)
        Fail("CreateEvent");
    if (argc >= 3 && strcmp(argv[1], "net") == 0)
        result = RunTasks((unsigned short)atoi(argv[2]), argc - 3, argv + 3);
    else if (argc == 4 && strcmp(argv[1], "echo-server") == 0)
        result = EchoServer((unsigned short)atoi(argv[2]), atoi(argv[3]));
    else if (argc == 4 && strcmp(argv[1], "http-server") == 0)
        result = HttpServer((unsigned short)atoi(argv[2]), atoi(argv[3]));
    else if (argc == 3 && strcmp(argv[1], "idle") == 0)
        result = Idle(atoi(argv[2]), 0);
    else if (argc == 3 && strcmp(argv[1], "idle-threads") == 0)
        result = Idle(atoi(argv[2]), IDLE_THREADS);
    else
        fprintf(stderr,
                "usage: bare_net net PORT TASK... | echo-server PORT CONNECTIONS | http-server PORT "
                "CONNECTIONS | idle MILLISECONDS | idle-threads MILLISECONDS\n");
    CloseHandle(gIoEvent);
    CloseHandle(gReleaseEvent);
    WSACleanup();
    return result;
}
