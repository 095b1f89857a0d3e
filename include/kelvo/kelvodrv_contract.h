/*
 * kelvodrv: what a caller of the driver's commands acts on, by name: the
 * result codes a caller tells apart, the kinds of periodic report that the
 * report commands' input line carries, and the names of the working files
 * the commands read and write in the working folder.
 */
#ifndef KELVO_KELVODRV_CONTRACT_H
#define KELVO_KELVODRV_CONTRACT_H

/* Result codes. Every command returns one; these are the ones a caller
 * treats on its own rather than only showing. */
#define KELVODRV_RESULT_SUCCESS 0
#define KELVODRV_RESULT_SEND_TIMEOUT 20       /* no register, or switched off */
#define KELVODRV_RESULT_RECEIVE_TIMEOUT 21    /* no answer at this speed */
#define KELVODRV_RESULT_PORT_NOT_OPENED 62
#define KELVODRV_RESULT_SOCKET_TIMEOUT 64     /* no answer over the network */
#define KELVODRV_RESULT_SOCKET_FAILURE 65
#define KELVODRV_RESULT_UNKNOWN_HOST 67
#define KELVODRV_RESULT_INTERRUPTED 124       /* stopped by PrzerwanieOdczytu */
#define KELVODRV_RESULT_NO_FIGURES 125        /* ZapisZestawieniaKsiegowego: no periodic report made */

/* Kinds of periodic report: field 1 of the report commands' input line. */
#define KELVODRV_KIND_MONTH 1                 /* field 2: YYYY.MM */
#define KELVODRV_KIND_DATES 2                 /* fields 2, 3: YYYY.MM.DD */
#define KELVODRV_KIND_NUMBERS 3               /* fields 2, 3: daily report numbers */
#define KELVODRV_KIND_PREVIOUS_MONTH 4        /* by the register's clock */
#define KELVODRV_KIND_CURRENT_MONTH 5         /* by the register's clock */
#define KELVODRV_KIND_SETTLEMENT_DATES 6      /* fields 2, 3: YYYY.MM.DD */
#define KELVODRV_KIND_SETTLEMENT_NUMBERS 7    /* fields 2, 3: daily report numbers */
#define KELVODRV_KIND_SETTLEMENT_WHOLE 8      /* the whole fiscal memory */
#define KELVODRV_KIND_FIRST KELVODRV_KIND_MONTH
#define KELVODRV_KIND_LAST KELVODRV_KIND_SETTLEMENT_WHOLE

/* Working files. A command finds a file whose name does not exist exactly
 * under the same name in another case, so a file is created under the
 * upper-case name and named in lower case when passed to a command or
 * removed; the two spellings stay as they are so that files left by
 * earlier runs are the same files. */
#define KELVODRV_CONFIGURATION_FILE "KONFIG.TXT"
#define KELVODRV_CONFIGURATION_FILE_LOWER "konfig.txt"
/* Read instead of the configuration file when it exists beside it. */
#define KELVODRV_TEMPORARY_CONFIGURATION_FILE "KONFIG.$$$"
#define KELVODRV_TEMPORARY_CONFIGURATION_FILE_LOWER "konfig.$$$"
/* Input and output of ONrKasy. */
#define KELVODRV_NUMBER_INPUT_FILE "IN1"
#define KELVODRV_NUMBER_INPUT_FILE_LOWER "in1"
#define KELVODRV_NUMBER_OUTPUT_FILE "out"
/* Input of ONrUnik, OStatus and the report commands; output of ONrUnik and OStatus. */
#define KELVODRV_INPUT_FILE "IN"
#define KELVODRV_INPUT_FILE_LOWER "in"
#define KELVODRV_OUTPUT_FILE "out.txt"

#endif
