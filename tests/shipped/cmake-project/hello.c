/* The product's program: what it does is not the point, that it is installed is. */
int main(void) {
  return 0;
}
