/* The floor for the black-box figures: a bare C program that signs on as
 * the client does, reads the same bytes, and writes the same lines to a log
 * through stdio ("[hh:mm:ss] <-SENDER:  TEXT" with the markup left out, CR
 * LF), flushing once per read. Usage: quenlo_c_floor PORT LOGPATH; prints
 * "ready LOGPATH" once signed on and runs until the server closes. */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

static const char kName[] = "benchuser";
static unsigned short sequence;

static int SendFrame(int fd, int type, const char* payload, size_t length)
{
    char frame[1024];
    if (length + 6 > sizeof frame)
        return -1;
    frame[0] = '*';
    frame[1] = (char)type;
    frame[2] = (char)(sequence >> 8);
    frame[3] = (char)(sequence & 0xff);
    frame[4] = (char)(length >> 8);
    frame[5] = (char)(length & 0xff);
    memcpy(frame + 6, payload, length);
    ++sequence;
    return send(fd, frame, length + 6, 0) == (ssize_t)(length + 6) ? 0 : -1;
}

static int SendCommand(int fd, const char* text)
{
    return SendFrame(fd, 2, text, strlen(text) + 1);
}

/* Tags ("<" and a letter, "/", "!" or "?", up to ">") left out, <BR> a blank. */
static size_t Strip(const char* in, size_t length, char* out)
{
    size_t n = 0;
    for (size_t i = 0; i < length; ++i) {
        if (in[i] == '<' && i + 1 < length) {
            const char c = in[i + 1];
            const char* close = memchr(in + i + 1, '>', length - i - 1);
            if (close != NULL && (c == '/' || c == '!' || c == '?' || ((c | 32) >= 'a' && (c | 32) <= 'z'))) {
                if (close - (in + i) == 3 && (in[i + 1] | 32) == 'b' && (in[i + 2] | 32) == 'r')
                    out[n++] = ' ';
                i = (size_t)(close - in);
                continue;
            }
        }
        out[n++] = in[i];
    }
    return n;
}

static char buffer[1 << 20];

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    FILE* log = fopen(argv[2], "ab");
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons((unsigned short)atoi(argv[1]));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (log == NULL || fd < 0 || connect(fd, (struct sockaddr*)&address, sizeof address) != 0)
        return 1;
    if (send(fd, "FLAPON\r\n\r\n", 10, 0) != 10)
        return 1;
    size_t filled = 0;
    int signedOn = 0;
    for (;;) {
        const ssize_t got = recv(fd, buffer + filled, sizeof buffer - filled, 0);
        if (got <= 0)
            break;
        filled += (size_t)got;
        size_t at = 0;
        char prefix[16];
        const time_t now = time(NULL);
        struct tm utc;
        gmtime_r(&now, &utc);
        strftime(prefix, sizeof prefix, "[%H:%M:%S] ", &utc);
        while (filled - at >= 6) {
            const unsigned char* p = (const unsigned char*)buffer + at;
            const size_t length = (size_t)p[4] << 8 | p[5];
            if (filled - at < 6 + length)
                break;
            const char* payload = buffer + at + 6;
            at += 6 + length;
            if (p[1] == 1) {
                /* The server's sign-on frame: ours, then toc_signon with the roasted password. */
                char signon[64] = {0, 0, 0, 1, 0, 1, 0, (char)(sizeof kName - 1)};
                memcpy(signon + 8, kName, sizeof kName - 1);
                SendFrame(fd, 1, signon, 8 + sizeof kName - 1);
                char command[256];
                int n = snprintf(command, sizeof command, "toc_signon 127.0.0.1 5190 %s 0x", kName);
                const char* password = "secret";
                for (size_t i = 0; password[i] != '\0'; ++i)
                    n += snprintf(command + n, sizeof command - (size_t)n, "%02x",
                                  (unsigned char)(password[i] ^ "Tic/Toc"[i % 7]));
                snprintf(command + n, sizeof command - (size_t)n, " english \"c floor\"");
                SendCommand(fd, command);
                continue;
            }
            if (p[1] != 2)
                continue;
            size_t used = length;
            while (used > 0 && payload[used - 1] == '\0')
                --used;
            if (!signedOn && used >= 8 && memcmp(payload, "SIGN_ON:", 8) == 0) {
                SendCommand(fd, "toc_init_done");
                signedOn = 1;
                printf("ready %s\n", argv[2]);
                fflush(stdout);
                continue;
            }
            /* IM_IN:<sender>:<auto>:<message> */
            if (used < 6 || memcmp(payload, "IM_IN:", 6) != 0)
                continue;
            const char* sender = payload + 6;
            const char* end = payload + used;
            const char* colon = memchr(sender, ':', (size_t)(end - sender));
            if (colon == NULL || end - colon < 3)
                continue;
            const char* message = colon + 3;
            char text[8192];
            const size_t shown = Strip(message, (size_t)(end - message), text);
            fputs(prefix, log);
            fputs("<-", log);
            fwrite(sender, 1, (size_t)(colon - sender), log);
            fputs(":  ", log);
            fwrite(text, 1, shown, log);
            fputs("\r\n", log);
        }
        fflush(log);
        memmove(buffer, buffer + at, filled - at);
        filled -= at;
    }
    fclose(log);
    close(fd);
    return 0;
}
