// Entry point placeholder
int main() {
  return 0;
}
