/* The peer for bench_gateway: a libmodbus server on 127.0.0.1 serving the
 * same 111 registers as the gateway (wire addresses 100-110 and 200-299, byte
 * k of the image being k * 7 + 1), several clients at once through select()
 * as in libmodbus's own examples. Prints its port on stdout, then serves until
 * SIGTERM or until its standard input closes (the bench went away). */
#include <modbus.h>

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#define IMAGE_SIZE 222
#define STATUS_REGISTERS 11
#define DATA_REGISTERS 100

static volatile sig_atomic_t stopping = 0;

static void on_term(int sig)
{
    (void)sig;
    stopping = 1;
}

static unsigned char image_byte(int k)
{
    return (unsigned char)(k * 7 + 1);
}

/* Registers from `first_byte` of the image on, big-endian pairs. */
static void fill(uint16_t *holding, uint16_t *input, int first_byte, int count)
{
    for (int i = 0; i < count; ++i) {
        const int k = first_byte + 2 * i;
        holding[i] = input[i] = (uint16_t)(image_byte(k) << 8 | image_byte(k + 1));
    }
}

int main(int argc, char *argv[])
{
    const int port = argc > 1 ? atoi(argv[1]) : 0;

    /* A libmodbus mapping is one contiguous block, so a read starting at 100
     * (which runs on from the status block into the data block, as on the
     * gateway) gets its own block and every other start the data block. */
    modbus_mapping_t *from_status = modbus_mapping_new_start_address(
        0, 0, 0, 0, 100, STATUS_REGISTERS + DATA_REGISTERS, 100, STATUS_REGISTERS + DATA_REGISTERS);
    modbus_mapping_t *from_data
        = modbus_mapping_new_start_address(0, 0, 0, 0, 200, DATA_REGISTERS, 200, DATA_REGISTERS);
    if (!from_status || !from_data) {
        fprintf(stderr, "no mapping: %s\n", modbus_strerror(errno));
        return 1;
    }
    fill(from_status->tab_registers, from_status->tab_input_registers, 0,
        STATUS_REGISTERS + DATA_REGISTERS);
    fill(from_data->tab_registers, from_data->tab_input_registers, 2 * STATUS_REGISTERS,
        DATA_REGISTERS);

    modbus_t *ctx = modbus_new_tcp("127.0.0.1", port);
    if (!ctx) {
        fprintf(stderr, "no context: %s\n", modbus_strerror(errno));
        return 1;
    }
    const int server = modbus_tcp_listen(ctx, 64);
    if (server == -1) {
        fprintf(stderr, "cannot listen: %s\n", modbus_strerror(errno));
        return 1;
    }
    struct sockaddr_in bound;
    socklen_t bound_size = sizeof bound;
    if (getsockname(server, (struct sockaddr *)&bound, &bound_size) == -1) {
        perror("getsockname");
        return 1;
    }
    printf("%d\n", ntohs(bound.sin_port));
    fflush(stdout);

    /* SIGTERM stays blocked except inside pselect(), so it cannot slip in
     * between the check and the wait. */
    sigset_t term, unblocked;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_BLOCK, &term, &unblocked);
    sigdelset(&unblocked, SIGTERM);
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = on_term;
    sigaction(SIGTERM, &action, NULL);

    fd_set all;
    FD_ZERO(&all);
    FD_SET(server, &all);
    FD_SET(STDIN_FILENO, &all);
    int max_fd = server > STDIN_FILENO ? server : STDIN_FILENO;
    const int header_length = modbus_get_header_length(ctx);
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];

    while (!stopping) {
        fd_set ready = all;
        if (pselect(max_fd + 1, &ready, NULL, NULL, NULL, &unblocked) == -1) {
            if (errno == EINTR)
                continue;
            perror("pselect");
            break;
        }
        for (int fd = 0; fd <= max_fd; ++fd) {
            if (!FD_ISSET(fd, &ready))
                continue;
            if (fd == STDIN_FILENO) {
                char sink[64];
                if (read(fd, sink, sizeof sink) <= 0)
                    stopping = 1;
            } else if (fd == server) {
                struct sockaddr_in peer;
                socklen_t peer_size = sizeof peer;
                const int client = accept(server, (struct sockaddr *)&peer, &peer_size);
                if (client == -1)
                    continue;
                if (client >= FD_SETSIZE) {
                    close(client);
                    continue;
                }
                FD_SET(client, &all);
                if (client > max_fd)
                    max_fd = client;
            } else {
                modbus_set_socket(ctx, fd);
                const int rc = modbus_receive(ctx, query);
                if (rc > 0) {
                    const int address = query[header_length + 1] << 8 | query[header_length + 2];
                    modbus_reply(ctx, query, rc, address == 100 ? from_status : from_data);
                } else if (rc == -1) {
                    close(fd);
                    FD_CLR(fd, &all);
                }
            }
        }
    }

    close(server);
    modbus_free(ctx);
    modbus_mapping_free(from_status);
    modbus_mapping_free(from_data);
    return 0;
}
